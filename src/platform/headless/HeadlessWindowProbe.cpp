// Headless window probe: the in-memory windows as the driver sees them, and the process's memory from /proc.
#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "platform/WindowProbe.h"
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

// [window thread]
std::vector<TWindowProbe> TopLevelWindows()
{
    std::vector<TWindowProbe> Result;
    for (TControl* C : HeadlessDriver::Windows())
        if (const auto* F = dynamic_cast<const TForm*>(C); F && !F->Parent() && !F->ParentWindow())
            Result.push_back(Probe(*F));
    return Result;
}

// [window thread]
std::optional<TWindowProbe> ProbeWindow(TNativeHandle Handle)
{
    const TControl* C = Handle ? HeadlessDriver::FromHandle(Handle) : nullptr;
    if (!C)
        return std::nullopt;
    return Probe(*C);
}

// [any thread] The controls are counted without a lock: call it where no other thread creates windows.
TProcessResources ProcessResources()
{
    TProcessResources R;
    R.Windows = static_cast<int>(Headless::State().Controls.size());
    std::ifstream Statm("/proc/self/statm");
    std::uint64_t Size = 0, Resident = 0, Shared = 0, Text = 0, Lib = 0, Data = 0;
    if (Statm >> Size >> Resident >> Shared >> Text >> Lib >> Data)
        R.PrivateBytes = Data * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    return R;
}

struct TMessageBoxAnswerer::TImpl
{
    std::size_t First = 0;
};

// [window thread]
TMessageBoxAnswerer::TMessageBoxAnswerer() : FImpl(std::make_unique<TImpl>())
{
    FImpl->First = HeadlessDriver::MessageBoxes().size();
}

TMessageBoxAnswerer::~TMessageBoxAnswerer() = default;

// [window thread] (A HeadlessDriver::Reset while the answerer lives loses its place: do not.)
std::vector<TMessageBoxRecord> TMessageBoxAnswerer::Records() const
{
    const auto& All = HeadlessDriver::MessageBoxes();
    if (All.size() < FImpl->First)
        FImpl->First = 0;
    return {All.begin() + static_cast<std::ptrdiff_t>(FImpl->First), All.end()};
}
