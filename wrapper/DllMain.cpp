// Windows library entry: JUCE registers its window classes with the module
// handle of the library that holds it, not the host's.
#include <juce_core/juce_core.h>

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        juce::Process::setCurrentModuleInstanceHandle(instance);

    return TRUE;
}
