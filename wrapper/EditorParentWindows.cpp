#include "wrapper/EditorParent.h"

#include <windows.h>

bool canAttachEditorTo(void* parentWindow)
{
    return parentWindow != nullptr && IsWindow(static_cast<HWND>(parentWindow)) != FALSE;
}
