#pragma once

// Whether the editor can become a child of the host's window: on Linux an X11
// window id, with JUCE connected to an X server; on Windows a window handle.
// Message thread only.
bool canAttachEditorTo(void* parentWindow);
