// Instances coming and going, threads, unloading, and the editor opcodes
// where no window can be opened.
#include "PluginTestSupport.h"

#include <atomic>
#include <thread>

using namespace PluginTest;

TEST(PluginLifecycle, CloseAnswersOneAndManyInstancesComeAndGo)
{
    for (int i = 0; i < 40; ++i)
    {
        auto plugin = makePlugin();
        ASSERT_TRUE(plugin);
        plugin->setMains(true);
        render(*plugin, programme(2, 1024));
        plugin->setMains(false);
        EXPECT_EQ(plugin->close(), 1);
        // The host forgets the record once it is closed.
        EXPECT_TRUE(plugin->isClosed());
    }

    std::vector<std::unique_ptr<Plugin>> alive;
    for (int i = 0; i < 16; ++i)
    {
        alive.push_back(makePlugin());
        ASSERT_TRUE(alive.back());
        alive.back()->setParameter(1, static_cast<float>(i) / 16.0f);
    }
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(alive[static_cast<std::size_t>(i)]->getParameter(1), static_cast<float>(i) / 16.0f);
    alive.clear();
}

TEST(PluginLifecycle, InstancesOnSeveralThreadsAtOnce)
{
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 8; ++i)
                {
                    auto plugin = makePlugin();
                    if (!plugin)
                    {
                        ++failures;
                        continue;
                    }
                    plugin->setParameter(t % 3, 0.8f);
                    plugin->setMains(true);
                    const auto out = render(*plugin, programme(2, 2048));
                    if (!std::isfinite(out[0].back()) || plugin->getChunk().empty())
                        ++failures;
                }
            });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(PluginLifecycle, HostThreadsSetParametersAndStateWhileAudioRuns)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);
    plugin->setMains(true);

    std::atomic<bool> running{true};
    std::thread audio(
        [&]
        {
            const auto in = programme(2, 512);
            while (running.load())
                render(*plugin, in);
        });

    std::vector<std::thread> hosts;
    for (int t = 0; t < 3; ++t)
        hosts.emplace_back(
            [&, t]
            {
                for (int i = 0; i < 300; ++i)
                {
                    plugin->setParameter(i % 3, static_cast<float>((i * 7 + t) % 100) / 100.0f);
                    plugin->getParameter((i + 1) % 3);
                    if (i % 50 == t)
                        plugin->setChunk(plugin->getChunk());
                }
            });
    for (auto& h : hosts)
        h.join();
    running = false;
    audio.join();

    plugin->setParameter(2, 0.25f);
    EXPECT_EQ(plugin->getParameter(2), 0.25f);
    plugin->setMains(false);
}

TEST(PluginLifecycle, TheLibraryCanBeUnloadedAndLoadedAgain)
{
    for (int round = 0; round < 3; ++round)
    {
        std::string error;
        auto lib = PluginLibrary::load(pluginPath(), error);
        ASSERT_TRUE(lib) << error;
        auto plugin = Plugin::create(lib, error);
        ASSERT_TRUE(plugin) << error;
        plugin->open();
        plugin->setMains(true);
        const auto out = render(*plugin, programme(2, 1024));
        EXPECT_TRUE(std::isfinite(out[1].back()));
        plugin.reset(); // closes; the library goes with the last owner
    }
}

TEST(PluginLifecycle, EditorOpcodesWithoutADisplay)
{
    auto plugin = makePlugin();
    ASSERT_TRUE(plugin);

    VstIntPtr answer = 0;
    const auto rect = plugin->editorRect(&answer);
    EXPECT_EQ(answer, 1);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 480);
    EXPECT_EQ(rect->right, 450);
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, nullptr), 0);

    // No window can be opened here (no display, no parent): the open fails
    // and the record stops announcing an editor.
    EXPECT_FALSE(plugin->openEditor(nullptr));
    EXPECT_EQ(plugin->effect()->flags & effFlagsHasEditor, 0);
    plugin->idleEditor();
    plugin->closeEditor();
    plugin->closeEditor();

    // The plug-in keeps working.
    plugin->setMains(true);
    EXPECT_TRUE(std::isfinite(render(*plugin, programme(2, 512))[0].back()));
}
