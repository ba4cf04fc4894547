// The editor opened in a real window (run under Xvfb) again and again,
// while audio runs and the host sets parameters on other threads.
#include "PluginTestSupport.h"
#include "ProcessMemory.h"

#include "tools/EditorWindow.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

using namespace PluginTest;

namespace
{

class EditorLifecycle : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { prepareEditorHost(); }

    void SetUp() override
    {
        plugin = makePlugin();
        ASSERT_TRUE(plugin);
        std::string error;
        window = EditorWindow::create(450, 480, "Velmo", error);
        ASSERT_TRUE(window) << error;
        plugin->setMains(true);
    }

    // Opens and closes the editor count times, pumping the window between;
    // prints how long opening and closing took on average.
    void openAndClose(int count)
    {
        using Clock = std::chrono::steady_clock;
        Clock::duration opening{}, closing{};
        for (int i = 0; i < count; ++i)
        {
            const auto start = Clock::now();
            ASSERT_TRUE(plugin->openEditor(window->parentHandle())) << "opening " << i;
            opening += Clock::now() - start;
            EXPECT_NE(plugin->effect()->flags & effFlagsHasEditor, 0);
            window->pump(5);
            plugin->idleEditor();
            const auto closeStart = Clock::now();
            plugin->closeEditor();
            closing += Clock::now() - closeStart;
        }
        const auto ms = [count](Clock::duration d)
        { return std::chrono::duration<double, std::milli>(d).count() / count; };
        std::printf(
            "editor opened in %.1f ms and closed in %.1f ms on average (%d times)\n", ms(opening), ms(closing), count);
    }

    std::unique_ptr<Plugin> plugin;
    std::unique_ptr<EditorWindow> window;
};
} // namespace

TEST_F(EditorLifecycle, OpensAgainAndAgainWhileAudioAndParametersRun)
{
    std::atomic<bool> running{true};
    std::thread audio(
        [&]
        {
            const auto in = programme(2, 256);
            while (running.load())
            {
                render(*plugin, in);
                // The host's log of its callbacks (one per block) would count as growth.
                plugin->calls().clear();
            }
        });
    std::thread automation(
        [&]
        {
            for (int i = 0; running.load(); ++i)
            {
                plugin->setParameter(i % 3, static_cast<float>(i % 101) / 100.0f);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });

    openAndClose(10);
    const long before = residentKilobytes();
    openAndClose(60);
    const long grown = residentKilobytes() - before;

    running = false;
    audio.join();
    automation.join();

    // One editor holds some 20 MB of decoded images: a leaked editor per
    // opening would add over a gigabyte here. The allocator keeps some tens
    // of megabytes of freed memory for the threads, more on a busy machine.
    EXPECT_LT(grown, 256 * 1024) << "kB";
}

TEST_F(EditorLifecycle, OpeningTwiceReplacesTheEditorAndClosingTheInstanceClosesIt)
{
    ASSERT_TRUE(plugin->openEditor(window->parentHandle()));
    ASSERT_TRUE(plugin->openEditor(window->parentHandle()));
    window->pump(20);

    VstIntPtr answer = 0;
    const auto rect = plugin->editorRect(&answer);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->right - rect->left, 450);
    EXPECT_EQ(rect->bottom - rect->top, 480);

    // Closing the instance with its editor still open.
    plugin->setMains(false);
    plugin->close();
    window->pump(20);
}

TEST_F(EditorLifecycle, EditorsOfSeveralInstancesAtOnce)
{
    std::vector<std::unique_ptr<Plugin>> others;
    std::vector<std::unique_ptr<EditorWindow>> windows;
    for (int i = 0; i < 4; ++i)
    {
        others.push_back(makePlugin());
        ASSERT_TRUE(others.back());
        std::string error;
        windows.push_back(EditorWindow::create(450, 480, "Velmo", error));
        ASSERT_TRUE(windows.back()) << error;
        ASSERT_TRUE(others.back()->openEditor(windows.back()->parentHandle()));
    }
    window->pump(50);

    if (!editorsOnAnyHostThread)
    {
        // Windows hosts close editors on their UI thread, the plug-in's message thread.
        for (auto& p : others)
        {
            p->closeEditor();
            p->close();
        }
        return;
    }

    // Closing from several threads at once.
    std::vector<std::thread> closers;
    for (auto& p : others)
        closers.emplace_back(
            [&p]
            {
                p->closeEditor();
                p->close();
            });
    for (auto& t : closers)
        t.join();
}
