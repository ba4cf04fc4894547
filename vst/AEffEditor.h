// Abstract editor that an AudioEffect may own; the dispatchers forward the
// editor opcodes to it.
#pragma once

#include "vst/VstInterface.h"

class AEffEditor
{
public:
    virtual ~AEffEditor() = default;

    // Stores the address of a rectangle owned by the editor into *rect.
    virtual bool getRect(ERect** rect) = 0;
    // Opens the editor inside the host's parent window.
    virtual bool open(void* ptr) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;

    virtual bool onKeyDown(VstKeyCode& keyCode)
    {
        (void) keyCode;
        return false;
    }
    virtual bool onKeyUp(VstKeyCode& keyCode)
    {
        (void) keyCode;
        return false;
    }
    virtual bool setKnobMode(VstInt32 val)
    {
        (void) val;
        return false;
    }
};
