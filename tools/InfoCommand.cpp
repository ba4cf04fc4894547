// velmo-host info: what the plug-in tells a host about itself.
#include "tools/HostCommands.h"

#include <cstdio>

namespace velmohost
{
namespace
{
// Each parameter with its value and display text, and the texts it shows at
// 0 and at 1 (set for a moment, then put back).
void printParameterRanges(Plugin& plugin)
{
    for (VstInt32 i = 0; i < plugin.effect()->numParams; ++i)
    {
        const float value = plugin.getParameter(i);
        const std::string text = plugin.parameterDisplay(i).text;
        const std::string label = plugin.parameterLabel(i).text;
        plugin.setParameter(i, 0.0f);
        const std::string atZero = plugin.parameterDisplay(i).text;
        plugin.setParameter(i, 1.0f);
        const std::string atOne = plugin.parameterDisplay(i).text;
        plugin.setParameter(i, value);
        std::printf("  %d  %-8s %.9g  (\"%s\"%s%s)  from \"%s\" at 0 to \"%s\" at 1%s\n", i,
            plugin.parameterName(i).text.c_str(), static_cast<double>(value), text.c_str(), label.empty() ? "" : " ",
            label.c_str(), atZero.c_str(), atOne.c_str(), plugin.canBeAutomated(i) ? "" : ", not automatable");
    }
}
} // namespace

int runInfo(const std::string& pluginPath, const HostOptions& o)
{
    auto plugin = loadPlugin(pluginPath, o);
    if (!plugin)
        return runError;
    AEffect* e = plugin->effect();
    std::printf("unique id:      '%s' (0x%08x)\n", fourCCText(e->uniqueID).c_str(), static_cast<unsigned>(e->uniqueID));
    std::printf("effect name:    %s\n", plugin->effectName().text.c_str());
    std::printf("vendor:         %s\n", plugin->vendorString().text.c_str());
    std::printf("product:        %s\n", plugin->productString().text.c_str());
    std::printf("version:        %d (vendor version %ld)\n", e->version, static_cast<long>(plugin->vendorVersion()));
    std::printf("VST version:    %ld\n", static_cast<long>(plugin->vstVersion()));
    std::printf("category:       %ld\n", static_cast<long>(plugin->plugCategory()));
    std::printf("programs:       %d\n", e->numPrograms);
    std::printf("inputs/outputs: %d/%d\n", e->numInputs, e->numOutputs);
    std::printf("initial delay:  %d\n", e->initialDelay);
    std::printf("tail size:      %ld\n", static_cast<long>(plugin->tailSize()));
    std::printf("flags:          0x%x (%s)\n", static_cast<unsigned>(e->flags), flagNames(e->flags).c_str());

    VstIntPtr rectAnswer = 0;
    if (auto rect = plugin->editorRect(&rectAnswer))
        std::printf("editor:         %d x %d\n", rect->right - rect->left, rect->bottom - rect->top);
    else
        std::printf("editor:         none (answer %ld)\n", static_cast<long>(rectAnswer));

    std::printf("parameters:     %d\n", e->numParams);
    printParameterRanges(*plugin);

    static const char* const queries[] = {"sendVstEvents", "sendVstMidiEvent", "sendVstMidiEvents", "receiveVstEvents",
        "receiveVstMidiEvent", "receiveVstMidiEvents", "receiveVstTimeInfo", "openCloseAnyThread",
        "conformsToWindowRules", "bypass", "offline", "midiProgramNames", "plugAsChannelInsert", "plugAsSend",
        "mixDryWet", "noRealTime"};
    std::printf("can do:\n");
    for (const char* q : queries)
        std::printf("  %-22s %ld\n", q, static_cast<long>(plugin->canDo(q)));
    return 0;
}
} // namespace velmohost
