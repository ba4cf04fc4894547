// The editor in a real window (under Xvfb), opened and closed again and
// again from the host's UI threads while another thread processes and a third
// automates all three parameters: the audio stays clean throughout.
#include "ValidationSupport.h"

#include "tools/EditorWindow.h"

#include <thread>

using namespace Validation;

TEST(ValidationEditor, OpenAndCloseWhileAnotherThreadProcessesAndAutomates)
{
    prepareEditorHost();

    for (int channels : {2, 1})
    {
        SCOPED_TRACE(testing::Message() << channels << " channel(s)");
        auto plugin = openInstance();
        ASSERT_TRUE(plugin);
        std::string error;
        auto window = EditorWindow::create(450, 480, "Velmo", error);
        ASSERT_TRUE(window) << error;
        prepare(*plugin, channels, 48000.0, 128);

        std::atomic<bool> running{true};
        OutputCheck check(peakLimit(1.0f));
        std::thread audio(
            [&]
            {
                const auto input = asChannels(programme(1, 4096)[0], channels);
                while (running.load())
                    runBlocks(
                        *plugin, input, [] { return 128; },
                        [&](long, int n, float* const* out)
                        {
                            for (int c = 0; c < channels; ++c)
                                check.check(out[c], n);
                        });
            });
        std::thread automation(
            [&]
            {
                static const float values[] = {0.0f, 1.0f, 0.3f, -0.5f, 1.5f, 0.8f};
                for (int i = 0; running.load(); ++i)
                {
                    plugin->setParameter(i % 3, values[i % std::size(values)]);
                    ++figures().automationEvents;
                    std::this_thread::sleep_for(std::chrono::microseconds(300));
                }
            });

        // Each opening decodes the editor's images: slow when sanitized.
        const int rounds = sanitized ? 6 : 30;
        for (int round = 0; round < rounds; ++round)
        {
            // The host's UI thread, sometimes a different one where the
            // platform allows it.
            auto openAndClose = [&]
            {
                ASSERT_TRUE(plugin->openEditor(window->parentHandle())) << "round " << round;
                window->pump(3);
                plugin->idleEditor();
                plugin->closeEditor();
            };
            if (round % 3 == 2 && editorsOnAnyHostThread)
                std::thread(openAndClose).join();
            else
                openAndClose();
        }

        running = false;
        audio.join();
        automation.join();
        EXPECT_TRUE(check.clean()) << check.report();
    }
}
