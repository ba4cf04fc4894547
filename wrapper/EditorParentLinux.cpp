// Kept apart: the X11 headers define macros that clash with ordinary names.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#include <juce_gui_basics/juce_gui_basics.h>

#include "wrapper/EditorParent.h"

bool canAttachEditorTo(void* parentWindow)
{
    // Without a window there is no need to start JUCE's window system.
    if (parentWindow == nullptr)
        return false;

    auto* windowSystem = juce::XWindowSystem::getInstance();
    return windowSystem != nullptr && windowSystem->isX11Available() && windowSystem->getDisplay() != nullptr;
}
