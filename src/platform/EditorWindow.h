#pragma once
// A plug-in editor's window as the plug-in framework sees it: what it asks of the window it hands to a host,
// so that the framework needs no window toolkit. Forms (Forms.h) are such windows. Every member runs on the
// thread that owns the window ([editor]).
#include <cstdint>

#include "platform/NativeHandle.h"

class TEditorWindow
{
public:
    virtual ~TEditorWindow() = default;

    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
    // Embeds the window without border at (0, 0) of the native window ParentWindow, shows it and paints it.
    virtual void EmbedAsEditor(TNativeHandle ParentWindow) = 0;
    // Sends a key message (0x0100 key down, 0x0101 key up, 0x0102 character, 0x0104 / 0x0105 system key down /
    // up) to the control that has the keyboard focus inside the window, or to the window itself when none
    // has; answers what its handler answered.
    virtual std::intptr_t SendKeyMessage(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) = 0;
};
