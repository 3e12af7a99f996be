// Geometry, visibility, painting, forms and labels of the modelled controls: each setter stores the field in
// the modelled state, then calls the backend's native hook (FormsBackend.h). [editor]
#include <algorithm>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"
#include "platform/System.h"
#include "platform/model/ModelledControl.h"

namespace
{

// A top-level form placed at the screen's centre keeps its place there until it is moved.
void CentreIfRequested(TModelledControlState& S)
{
    if (S.Kind != TControlKind::ckForm || S.Position != TFormPosition::poScreenCenter || S.ParentWindow)
        return;
    S.Left = (ScreenWidth() - S.Width) / 2;
    S.Top = (ScreenHeight() - S.Height) / 2;
}

// A label's size from its caption.
void AutoSizeLabel(TLabel& L)
{
    L.SetBounds(L.Left(), L.Top(), L.TextWidth(L.Caption()), NativeTextHeight(L));
}

} // namespace

// ---- TControl ---------------------------------------------------------------------------------------------

// Moving a screen-centred form ends its centring; a size change keeps it centred.
void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TModelledControlState& S = Modelled(ControlState());
    const bool Moved = ALeft != S.Left || ATop != S.Top;
    const bool Changed = Moved || std::max(0, AWidth) != S.Width || std::max(0, AHeight) != S.Height;
    S.Left = ALeft;
    S.Top = ATop;
    S.Width = std::max(0, AWidth);
    S.Height = std::max(0, AHeight);
    if (Moved)
        S.Position = TFormPosition::poDesigned;
    CentreIfRequested(S);
    if (Changed)
        NativeGeometry(*this);
    S.Invalid = true;
    if (auto* F = dynamic_cast<TForm*>(this))
        F->DoClientResized();
}

int TControl::ClientWidth() const { return ModelledClientWidth(Modelled(ControlState())); }
int TControl::ClientHeight() const { return ModelledClientHeight(Modelled(ControlState())); }

// Showing a form the first time gives it OnCreate (if still due) and its first OnResize.
void TControl::SetVisible(bool V)
{
    TModelledControlState& S = Modelled(ControlState());
    if (V == S.Visible)
        return;
    S.Visible = V;
    if (S.Kind != TControlKind::ckForm)
        return;
    auto& F = static_cast<TForm&>(*this);
    if (V)
    {
        S.Invalid = true;
        F.DoShowing();
        if (S.Position == TFormPosition::poScreenCenter)
            S.Position = TFormPosition::poDesigned; // placed once; the user may move it from here
    }
    NativeVisibility(F, V);
}

// Paints at once when the form is showing; a hidden form paints nothing.
void TControl::Repaint()
{
    auto* F = dynamic_cast<TForm*>(this);
    if (!F)
    {
        if (FParent)
            FParent->Repaint();
        return;
    }
    TModelledControlState& S = Modelled(ControlState());
    if (!Showing())
    {
        S.Invalid = true;
        return;
    }
    S.Invalid = false;
    ++S.PaintCount;
    F->DoPaint();
}

// The window system's answer where it has one, else the modelled geometry.
TPoint TControl::ClientToScreen(TPoint P) const
{
    TPoint Screen;
    if (NativeClientToScreen(*this, P, Screen))
        return Screen;
    const TModelledControlState& S = Modelled(ControlState());
    TPoint Origin;
    if (FParent)
        Origin = FParent->ClientToScreen({0, 0});
    else if (TControl* NP = NativeParent(*this))
        Origin = NP->ClientToScreen({0, 0});
    return {P.X + Origin.X + S.Left + BorderOf(S), P.Y + Origin.Y + S.Top + BorderOf(S) + CaptionOf(S)};
}

// ---- TForm ------------------------------------------------------------------------------------------------

// EMarvoError without a window system (a host's effEditOpen then answers 0).
TForm::TForm(TComponent* AOwner, const TFormDeclaration& D) : TControl(AOwner)
{
    NativeOpenWindowSystem();
    TModelledControlState& S = Modelled(ControlState());
    LoadFormDeclaration(S, D);
    SetName(D.Name);
    S.OwnerWindow = D.OwnerWindow;
    S.Width = D.ClientWidth + 2 * FrameBorder(D.BorderStyle);
    S.Height = D.ClientHeight + 2 * FrameBorder(D.BorderStyle) + FrameCaption(D.BorderStyle);
    CentreIfRequested(S);
    NativeCreateForm(*this);
    DoClientResized();
}

void TForm::SetCaption(const std::string& V)
{
    ControlState().Caption = V;
    NativeCaption(*this);
}

// The outer size stays; the client area changes with the frame.
void TForm::SetBorderStyle(TFormBorderStyle V)
{
    TModelledControlState& S = Modelled(ControlState());
    S.BorderStyle = V;
    S.Invalid = true;
    NativeGeometry(*this);
    DoClientResized();
}

void TForm::SetColor(std::uint32_t ARGB)
{
    ControlState().Color = ARGB;
    NativeColor(*this);
    Invalidate();
}

void TForm::SetBorderIcons(unsigned V) { ControlState().BorderIcons = V; }

void TForm::SetPosition(TFormPosition V)
{
    TModelledControlState& S = Modelled(ControlState());
    S.Position = V;
    CentreIfRequested(S);
    NativeGeometry(*this);
}

TNativeHandle TForm::OwnerWindow() const { return Modelled(ControlState()).OwnerWindow; }

void TForm::SetOwnerWindow(TNativeHandle Owner)
{
    Modelled(ControlState()).OwnerWindow = Owner;
    NativeOwner(*this);
}

TNativeHandle TForm::ParentWindow() const { return Modelled(ControlState()).ParentWindow; }

// An embedded form is showing when its parent window is; EMarvoError when that window does not exist.
void TForm::SetParentWindow(TNativeHandle ParentHandle)
{
    TModelledControlState& S = Modelled(ControlState());
    if (ParentHandle == Handle() || ParentHandle == S.ParentWindow)
        return;
    const TNativeHandle Previous = S.ParentWindow;
    S.ParentWindow = ParentHandle;
    NativeReparent(*this, Previous);
    S.Invalid = true;
    if (ParentHandle)
        DoShowing();
}

void TForm::BringToFront() { NativeRaise(*this); }

void TForm::SetActiveControl(TControl* C) { ControlState().ActiveControl = C; }

void TForm::PaintBitmap(const std::uint32_t* Pixels, int Width, int Height, int Stride)
{
    NativePresent(*this, Pixels, Width, Height, Stride);
}

// ---- TLabel -----------------------------------------------------------------------------------------------

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner)
{
    TModelledControlState& S = Modelled(ControlState());
    S.Kind = TControlKind::ckLabel;
    S.Height = NativeTextHeight(*this);
    S.Visible = true;
}

void TLabel::SetCaption(const std::string& V)
{
    ControlState().Caption = V;
    if (ControlState().AutoSize)
        AutoSizeLabel(*this);
    Invalidate();
}

void TLabel::SetAutoSize(bool V)
{
    ControlState().AutoSize = V;
    if (V)
        AutoSizeLabel(*this);
}

void TLabel::SetCentered(bool V) { ControlState().Centered = V; }

int TLabel::TextWidth(const std::string& Text) const { return NativeTextWidth(*this, Text); }
