// The frame rules of the modelled controls and the TControl members that keep only modelled state
// (ModelledControl.h). [editor]
#include "platform/model/ModelledControl.h"

#include <algorithm>

int FrameBorder(TFormBorderStyle Style)
{
    switch (Style)
    {
    case TFormBorderStyle::bsNone: return 0;
    case TFormBorderStyle::bsSingle: return 3;
    case TFormBorderStyle::bsSizeable: return 4;
    case TFormBorderStyle::bsToolWindow: return 3;
    case TFormBorderStyle::bsSizeToolWin: return 4;
    }
    return 0;
}

int FrameCaption(TFormBorderStyle Style)
{
    switch (Style)
    {
    case TFormBorderStyle::bsNone: return 0;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsSizeable: return 20;
    case TFormBorderStyle::bsToolWindow:
    case TFormBorderStyle::bsSizeToolWin: return 16;
    }
    return 0;
}

int BorderOf(const TControlState& S) { return S.Kind == TControlKind::ckForm ? FrameBorder(S.BorderStyle) : 0; }
int CaptionOf(const TControlState& S) { return S.Kind == TControlKind::ckForm ? FrameCaption(S.BorderStyle) : 0; }
int ModelledClientWidth(const TModelledControlState& S) { return std::max(0, S.Width - 2 * BorderOf(S)); }
int ModelledClientHeight(const TModelledControlState& S) { return std::max(0, S.Height - 2 * BorderOf(S) - CaptionOf(S)); }

// [editor]
void ReleaseChildren(TControl& Control)
{
    while (!Control.Controls().empty())
        Control.Controls().back()->SetParent(nullptr);
}

// [editor]
void TControl::SetParent(TControl* AParent)
{
    if (AParent == FParent)
        return;
    MoveToParent(AParent);
    if (ControlState().Kind == TControlKind::ckForm)
        static_cast<TForm*>(this)->SetParentWindow(FParent ? FParent->Handle() : nullptr);
}

int TControl::Left() const { return Modelled(ControlState()).Left; }
int TControl::Top() const { return Modelled(ControlState()).Top; }
int TControl::Width() const { return Modelled(ControlState()).Width; }
int TControl::Height() const { return Modelled(ControlState()).Height; }

void TControl::SetClientWidth(int V) { SetWidth(V + 2 * BorderOf(ControlState())); }
void TControl::SetClientHeight(int V) { SetHeight(V + 2 * BorderOf(ControlState()) + CaptionOf(ControlState())); }

bool TControl::Visible() const { return Modelled(ControlState()).Visible; }
bool TControl::Enabled() const { return Modelled(ControlState()).Enabled; }
void TControl::SetEnabled(bool V) { Modelled(ControlState()).Enabled = V; }
void TControl::SetTabOrder(int V) { ControlState().TabOrder = V; }

// [editor] A form embedded in a window that is not ours counts as showing when it is visible itself.
bool TControl::Showing() const
{
    const TModelledControlState& S = Modelled(ControlState());
    if (!S.Visible)
        return false;
    if (FParent)
        return FParent->Showing();
    if (TControl* P = NativeParent(*this))
        return P->Showing();
    return true;
}

// [editor]
void TControl::Invalidate()
{
    Modelled(ControlState()).Invalid = true;
    if (FParent)
        FParent->Invalidate();
}

// [editor]
TPoint TControl::ScreenToClient(TPoint P) const
{
    const TPoint O = ClientToScreen({0, 0});
    return {P.X - O.X, P.Y - O.Y};
}

// [editor] Records the message; a close message runs the form's close box, a key-down message a form's
// OnKeyDown. Answers 0, as the default
// window procedure does for the key messages.
std::intptr_t TControl::SendMessage(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam)
{
    Modelled(ControlState()).Messages.push_back({Msg, WParam, LParam});
    auto* F = dynamic_cast<TForm*>(this);
    if (F && Msg == 0x0010)
        F->DoClose();
    if (F && (Msg == 0x0100 || Msg == 0x0104))
        F->DoKeyDown(static_cast<std::uint16_t>(WParam), 0);
    return 0;
}
