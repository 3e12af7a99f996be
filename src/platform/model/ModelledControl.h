#pragma once
// What the backends that model a control's geometry themselves share (headless, and x11, whose windows are
// only the client areas inside a modelled frame): the outer rectangle, visibility, enabling, invalidation, the
// messages sent to a control, a form's native owner and parent, and the frame that a form's border style
// gives it. Each backend's TControl::TImpl extends TModelledControlState; the TControl members that need
// nothing else are defined once, in ModelledControl.cpp. [editor]
#include <cstdint>
#include <vector>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"

// A message sent to a control with SendMessage, as recorded.
struct TSentMessage
{
    unsigned Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
};

struct TModelledControlState : TControlState
{
    // Outer geometry, in the parent's client coordinates (screen coordinates at top level).
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Visible = false;
    bool Enabled = true;
    bool Invalid = false;
    std::vector<TSentMessage> Messages;

    // Forms.
    TNativeHandle OwnerWindow = nullptr;
    TNativeHandle ParentWindow = nullptr;
};

// The frame of a form with this border style: the border on each side and the caption's height.
int FrameBorder(TFormBorderStyle Style);
int FrameCaption(TFormBorderStyle Style);
// A control's frame: a form's from its border style, none for the other controls.
int BorderOf(const TControlState& S);
int CaptionOf(const TControlState& S);

// [editor] The control of this backend that a form's native parent handle stands for, when it is one
// of ours (each backend defines it).
TControl* NativeParent(const TModelledControlState& S);
