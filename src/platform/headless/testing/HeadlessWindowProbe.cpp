// Headless window probe: the in-memory windows as the driver sees them, the screen composed of their
// surfaces, synthetic input through the driver, and the process's memory from /proc.

#include <algorithm>

#include "platform/Exceptions.h"
#include "platform/WindowProbe.h"
#include "platform/posix/ProcessMemory.h"
#include "platform/headless/HeadlessDriver.h"
#include "platform/headless/HeadlessState.h"

namespace
{

const char* ClassOf(const TControl& C)
{
    switch (C.Impl()->Kind)
    {
    case TControlKind::ckForm: return "TForm";
    case TControlKind::ckLabel: return "TLabel";
    case TControlKind::ckScrollBar: return "TScrollBar";
    case TControlKind::ckTrackBar: return "TTrackBar";
    case TControlKind::ckComboBox: return "TComboBox";
    }
    return "TControl";
}

TWindowProbe Probe(const TControl& C)
{
    TWindowProbe P;
    P.Handle = C.Handle();
    P.Caption = C.Impl()->Caption;
    P.ClassName = ClassOf(C);
    P.Visible = C.Visible();
    int Border = 0, Caption = 0;
    if (const auto* F = dynamic_cast<const TForm*>(&C))
    {
        P.Owner = F->OwnerWindow();
        Border = HeadlessDriver::BorderWidth(F->BorderStyle());
        Caption = HeadlessDriver::CaptionHeight(F->BorderStyle());
    }
    const TPoint O = C.ClientToScreen({0, 0});
    P.Client = {O.X, O.Y, O.X + C.ClientWidth(), O.Y + C.ClientHeight()};
    const int L = O.X - Border, T = O.Y - Border - Caption;
    P.Bounds = {L, T, L + C.Width(), T + C.Height()};
    return P;
}

} // namespace

// [editor]
std::vector<TWindowProbe> TopLevelWindows()
{
    std::vector<TWindowProbe> Result;
    for (TControl* C : HeadlessDriver::Windows())
        if (const auto* F = dynamic_cast<const TForm*>(C); F && !F->Parent() && !F->ParentWindow())
            Result.push_back(Probe(*F));
    return Result;
}

// [editor]
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle)
{
    const TControl* C = Handle ? HeadlessDriver::FromHandle(Handle) : nullptr;
    if (!C)
        return std::nullopt;
    return Probe(*C);
}

// [editor]
std::vector<std::uint32_t> CaptureScreen(const TRect& ScreenRect)
{
    const int W = ScreenRect.Width(), H = ScreenRect.Height();
    if (W <= 0 || H <= 0)
        return {};
    std::vector<std::uint32_t> Pixels(static_cast<std::size_t>(W) * H, 0xFF000000u);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
        {
            const TPoint P{ScreenRect.Left + X, ScreenRect.Top + Y};
            if (const TForm* F = Headless::FormAt(P))
            {
                const TPoint C = F->ScreenToClient(P);
                Pixels[static_cast<std::size_t>(Y) * W + X] = 0xFF000000u | HeadlessDriver::Pixel(*F, C.X, C.Y);
            }
        }
    return Pixels;
}

namespace
{

TShiftState ButtonFlag(TMouseButton Button)
{
    switch (Button)
    {
    case TMouseButton::mbLeft: return ssLeft;
    case TMouseButton::mbRight: return ssRight;
    case TMouseButton::mbMiddle: return ssMiddle;
    }
    return 0;
}

// The form that mouse input at the pointer reaches now.
TForm* MouseTarget()
{
    Headless::TState& S = Headless::State();
    return S.Capture ? S.Capture : Headless::FormAt(S.Pointer);
}

} // namespace

// [editor]
void InjectPointerMove(int ScreenX, int ScreenY)
{
    Headless::TState& S = Headless::State();
    S.Pointer = {std::clamp(ScreenX, 0, Headless::kScreenWidth - 1),
                 std::clamp(ScreenY, 0, Headless::kScreenHeight - 1)};
    if (TForm* F = MouseTarget())
    {
        const TPoint C = F->ScreenToClient(S.Pointer);
        HeadlessDriver::MouseMove(*F, S.InjectedShift, C.X, C.Y);
    }
}

// [editor] As on Win32, the shift state of a press includes its button and that of a release does not.
void InjectMouseButton(TMouseButton Button, bool Down)
{
    Headless::TState& S = Headless::State();
    S.InjectedShift = Down ? S.InjectedShift | ButtonFlag(Button) : S.InjectedShift & ~ButtonFlag(Button);
    TForm* F = MouseTarget();
    if (!F)
        return;
    const TPoint C = F->ScreenToClient(S.Pointer);
    if (Down)
        HeadlessDriver::MouseDown(*F, Button, S.InjectedShift, C.X, C.Y);
    else
        HeadlessDriver::MouseUp(*F, Button, S.InjectedShift, C.X, C.Y);
}

// [editor]
void InjectWheel(int Notches)
{
    Headless::TState& S = Headless::State();
    if (TForm* F = MouseTarget())
    {
        const TPoint C = F->ScreenToClient(S.Pointer);
        HeadlessDriver::MouseWheel(*F, S.InjectedShift, 120 * Notches, C.X, C.Y);
    }
}

// [editor]
void InjectKey(TInjectedKey Key, bool Down)
{
    const TShiftState Flag = Key == TInjectedKey::ikShift ? ssShift : ssCtrl;
    Headless::TState& S = Headless::State();
    S.InjectedShift = Down ? S.InjectedShift | Flag : S.InjectedShift & ~Flag;
}

// [editor]
void InjectText(const std::string& /*Text*/)
{
    throw EMarvoError("no window takes typed text on the headless backend");
}

// [editor]
bool CursorShowing()
{
    return Application().Cursor() != TCursor::crNone;
}

// [any] The controls are counted without a lock: call it where no other thread creates windows.
TProcessResources ProcessResources()
{
    TProcessResources R;
    R.Windows = static_cast<int>(Headless::State().Controls.size());
    R.PrivateBytes = PrivateDataBytes();
    return R;
}

struct TMessageBoxAnswerer::TImpl
{
    std::size_t First = 0;
};

// [editor]
TMessageBoxAnswerer::TMessageBoxAnswerer() : FImpl(std::make_unique<TImpl>())
{
    FImpl->First = HeadlessDriver::MessageBoxes().size();
}

TMessageBoxAnswerer::~TMessageBoxAnswerer() = default;

// [editor] (A HeadlessDriver::Reset while the answerer lives loses its place: do not.)
std::vector<TMessageBoxRecord> TMessageBoxAnswerer::Records() const
{
    const auto& All = HeadlessDriver::MessageBoxes();
    if (All.size() < FImpl->First)
        FImpl->First = 0;
    return {All.begin() + static_cast<std::ptrdiff_t>(FImpl->First), All.end()};
}

// [editor] Headless windows are this program's forms.
bool RequestWindowClose(TNativeHandle Window)
{
    auto* I = static_cast<TControl::TImpl*>(Window);
    for (const TWindowProbe& W : TopLevelWindows())
        if (W.Handle == Window && I->Kind == TControlKind::ckForm)
        {
            HeadlessDriver::PressCloseBox(*static_cast<TForm*>(I->Self));
            return true;
        }
    return false;
}
