#pragma once
// The modelled controls, for backends whose native windows are only the client areas inside a modelled frame
// (headless, x11): the outer rectangle, visibility, enabling, invalidation, the messages sent to a control, a
// form's native owner and parent, and the frame that a form's border style gives it. Each such backend's
// TControl::TImpl extends TModelledControlState; model/ defines the members of Forms.h that keep this state and
// calls the backend's hooks (FormsBackend.h) after each change. [editor]
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
    int PaintCount = 0; // forms: paints so far
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
// [editor] The first step of a control's destruction: its children stay alive (their owner frees them) but
// lose it as their parent.
void ReleaseChildren(TControl& Control);
// The client area's size inside the control's frame.
int ModelledClientWidth(const TModelledControlState& S);
int ModelledClientHeight(const TModelledControlState& S);

// [editor] The modelled state of a control of these backends.
inline TModelledControlState& Modelled(TControlState& S) { return static_cast<TModelledControlState&>(S); }
inline const TModelledControlState& Modelled(const TControlState& S)
{
    return static_cast<const TModelledControlState&>(S);
}
