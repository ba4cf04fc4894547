// velmo-host editor: the plug-in's editor in a window of its own, with a
// line for each thing the plug-in tells the host, until the window is
// closed, --seconds pass, or a signal (SIGINT, SIGTERM) arrives.
#include "tools/AudioFile.h"
#include "tools/EditorWindow.h"
#include "tools/HostCommands.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace velmohost
{
int runEditor(const std::string& pluginPath, const HostOptions& o)
{
    prepareEditorHost();

    HostSettings settings;
    settings.automationText = true;
    auto plugin = loadPlugin(pluginPath, o, settings);
    if (!plugin)
        return runError;
    plugin->setSampleRate(o.rate.value_or(44100));
    plugin->setBlockSize(o.block);
    if (const int status = applySettings(*plugin, o))
        return status;

    VstIntPtr answer = 0;
    const auto rect = plugin->editorRect(&answer);
    if (!rect)
        return report(runError, "the plug-in has no editor rectangle (answer " + std::to_string(answer) + ")");
    const int width = rect->right - rect->left;
    const int height = rect->bottom - rect->top;

    std::string error;
    auto window = EditorWindow::create(width, height, plugin->effectName().text, error);
    if (!window)
        return report(runError, error);

    plugin->setMains(true);
    std::atomic<bool> playing{o.play};
    std::thread audio;
    if (o.play)
    {
        audio = std::thread(
            [&]
            {
                const Audio signal = makeTestSignal(plugin->sampleRate(), 4.0);
                std::vector<float> l(static_cast<std::size_t>(o.block)), r(static_cast<std::size_t>(o.block));
                float* out[] = {l.data(), r.data()};
                long pos = 0;
                const auto blockTime = std::chrono::duration<double>(o.block / plugin->sampleRate());
                auto next = std::chrono::steady_clock::now();
                while (playing.load())
                {
                    if (pos + o.block > signal.frames())
                        pos = 0;
                    const float* in[] = {signal.channels[0].data() + pos, signal.channels[1].data() + pos};
                    plugin->process(in, 2, out, 2, o.block);
                    pos += o.block;
                    next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(blockTime);
                    std::this_thread::sleep_until(next);
                }
            });
    }
    auto stopPlaying = [&]
    {
        playing = false;
        if (audio.joinable())
            audio.join();
    };

    if (!plugin->openEditor(window->parentHandle()))
    {
        stopPlaying();
        return report(runError, "the plug-in could not open its editor");
    }
    std::printf("editor open: window 0x%llx, %d x %d\n", static_cast<unsigned long long>(window->id()), width, height);
    std::fflush(stdout);

    const auto start = std::chrono::steady_clock::now();
    while (!stopRequested() && window->pump(50))
    {
        plugin->idleEditor();

        // Taken, not copied: with --play the recorder would otherwise grow with every block.
        for (const HostCall& c : plugin->calls().take())
        {
            // The display text was read when the plug-in reported the value.
            if (c.opcode == audioMasterAutomate)
                std::printf("automate %d %.9g (\"%s\")\n", c.index, static_cast<double>(c.opt), c.text.c_str());
            else if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit ||
                     c.opcode == audioMasterSizeWindow)
                std::printf("%s %d %ld\n", hostOpcodeName(c.opcode).c_str(), c.index, static_cast<long>(c.value));
        }
        std::fflush(stdout);

        if (o.seconds && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(*o.seconds))
            break;
    }

    plugin->closeEditor();
    stopPlaying();
    std::printf("editor closed\n");
    std::printf("parameters:\n");
    printParameters(*plugin);
    return saveState(*plugin, o);
}
} // namespace velmohost
