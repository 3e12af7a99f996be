// Win32 window toolkit: the standard controls are the system's (static, scroll bar, common-controls track
// bar, combo box), made parked on the parking window until they get a parent.
// Every function here runs on the thread that owns the windows ([editor]).
#include "platform/win32/Win32Internal.h"

#include <algorithm>

using namespace Win32;

namespace
{

HWND CreateControlWindow(TControl* Self, const wchar_t* Class, DWORD Style, int Width, int Height)
{
    RegisterClasses();
    HWND W = CreateWindowExW(0, Class, L"", WS_CHILD | WS_VISIBLE | Style, 0, 0, Width, Height, ParkingWindow(),
                             nullptr, ModuleInstance(), nullptr);
    if (W)
    {
        SetPropW(W, kControlProp, Self);
        ::SendMessageW(W, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFont()), FALSE);
    }
    return W;
}

SIZE TextExtent(HWND W, const std::string& Text)
{
    SIZE Size{0, 0};
    HDC DC = GetDC(W);
    HGDIOBJ Old = SelectObject(DC, ControlFont());
    const std::wstring T = Widen(Text);
    GetTextExtentPoint32W(DC, T.c_str(), static_cast<int>(T.size()), &Size);
    if (T.empty())
    {
        TEXTMETRICW TM;
        GetTextMetricsW(DC, &TM);
        Size.cy = TM.tmHeight;
    }
    SelectObject(DC, Old);
    ReleaseDC(W, DC);
    return Size;
}

} // namespace

// [editor]
void Win32::SetStyleBit(HWND W, DWORD Bit, bool On)
{
    const DWORD S = GetWindowLongW(W, GWL_STYLE);
    SetWindowLongW(W, GWL_STYLE, On ? (S | Bit) : (S & ~Bit));
    InvalidateRect(W, nullptr, TRUE);
}

// ---- Standard controls ------------------------------------------------------------------------------------

// [editor]
TLabel::TLabel(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckLabel;
    FImpl->Wnd = CreateControlWindow(this, L"STATIC", SS_LEFT | SS_NOPREFIX, 0, 0);
    SetBounds(0, 0, 0, TextExtent(FImpl->Wnd, "").cy);
}

// [editor]
void TLabel::SetCaption(const std::string& V)
{
    FImpl->Caption = V;
    SetWindowTextW(FImpl->Wnd, Widen(V).c_str());
    if (FImpl->AutoSize)
    {
        const SIZE S = TextExtent(FImpl->Wnd, V);
        SetBounds(Left(), Top(), S.cx, TextExtent(FImpl->Wnd, "").cy);
    }
}

void TLabel::SetAutoSize(bool V)
{
    FImpl->AutoSize = V;
    if (V)
        SetCaption(FImpl->Caption);
}
void TLabel::SetCentered(bool V)
{
    FImpl->Centered = V;
    SetStyleBit(FImpl->Wnd, SS_CENTER, V);
}
int TLabel::TextWidth(const std::string& Text) const { return TextExtent(FImpl->Wnd, Text).cx; }

// [editor]
TScrollBar::TScrollBar(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckScrollBar;
    FImpl->Wnd = CreateControlWindow(this, L"SCROLLBAR", SBS_HORZ, 121, 16);
    SetScrollRange(FImpl->Wnd, SB_CTL, FImpl->Min, FImpl->Max, TRUE);
}

// [editor] A range given backwards becomes the single value AMin; the position is kept inside it.
void TScrollBar::SetRange(int AMin, int AMax)
{
    FImpl->Min = AMin;
    FImpl->Max = std::max(AMin, AMax);
    SetScrollRange(FImpl->Wnd, SB_CTL, FImpl->Min, FImpl->Max, TRUE);
    SetPosition(FImpl->Position_);
}

// [editor]
void TScrollBar::SetPosition(int V)
{
    V = std::clamp(V, FImpl->Min, FImpl->Max);
    if (V == FImpl->Position_)
        return;
    FImpl->Position_ = V;
    SetScrollPos(FImpl->Wnd, SB_CTL, V, TRUE);
    FireChange(this, OnChange);
}

// [editor]
TTrackBar::TTrackBar(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckTrackBar;
    FImpl->Max = 10;
    FImpl->Wnd = CreateControlWindow(this, TRACKBAR_CLASSW, TBS_HORZ | TBS_AUTOTICKS | TBS_ENABLESELRANGE, 150, 45);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMIN, FALSE, FImpl->Min);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMAX, TRUE, FImpl->Max);
}

// [editor]
void TTrackBar::SetRange(int AMin, int AMax)
{
    FImpl->Min = AMin;
    FImpl->Max = std::max(AMin, AMax);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMIN, FALSE, FImpl->Min);
    ::SendMessageW(FImpl->Wnd, TBM_SETRANGEMAX, TRUE, FImpl->Max);
    SetPosition(FImpl->Position_);
}

// [editor]
void TTrackBar::SetPosition(int V)
{
    V = std::clamp(V, FImpl->Min, FImpl->Max);
    ::SendMessageW(FImpl->Wnd, TBM_SETPOS, TRUE, V);
    if (V == FImpl->Position_)
        return;
    FImpl->Position_ = V;
    FireChange(this, OnChange);
}

void TTrackBar::SetFrequency(int V)
{
    FImpl->Frequency = std::max(1, V);
    ::SendMessageW(FImpl->Wnd, TBM_SETTICFREQ, static_cast<WPARAM>(FImpl->Frequency), 0);
}
void TTrackBar::SetTickMarksNone(bool V)
{
    FImpl->NoTicks = V;
    SetStyleBit(FImpl->Wnd, TBS_NOTICKS, V);
}
void TTrackBar::SetSelection(int AStart, int AEnd)
{
    FImpl->SelStart = AStart;
    FImpl->SelEnd = AEnd;
    ::SendMessageW(FImpl->Wnd, TBM_SETSELSTART, FALSE, AStart);
    ::SendMessageW(FImpl->Wnd, TBM_SETSELEND, TRUE, AEnd);
}

// [editor]
TComboBox::TComboBox(TComponent* AOwner) : TControl(AOwner)
{
    FImpl->Kind = TControlKind::ckComboBox;
    FImpl->Wnd = CreateControlWindow(this, L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 145, 21 + kComboDropHeight);
}

void TComboBox::AddItem(const std::string& Item)
{
    FImpl->Items.push_back(Item);
    ::SendMessageW(FImpl->Wnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(Item).c_str()));
}

void TComboBox::ClearItems()
{
    FImpl->Items.clear();
    FImpl->ItemIndex = -1;
    ::SendMessageW(FImpl->Wnd, CB_RESETCONTENT, 0, 0);
}

// [editor] An index outside the list selects nothing (-1).
void TComboBox::SetItemIndex(int V)
{
    if (V < 0 || V >= ItemCount())
        V = -1;
    ::SendMessageW(FImpl->Wnd, CB_SETCURSEL, static_cast<WPARAM>(V), 0);
    if (V == FImpl->ItemIndex)
        return;
    FImpl->ItemIndex = V;
    FireChange(this, OnChange);
}

void TComboBox::SetItemHeight(int V)
{
    FImpl->ItemHeight = std::max(1, V);
    ::SendMessageW(FImpl->Wnd, CB_SETITEMHEIGHT, 0, FImpl->ItemHeight);
}

void TComboBox::SetText(const std::string& V)
{
    const auto It = std::find(FImpl->Items.begin(), FImpl->Items.end(), V);
    FImpl->ItemIndex = It == FImpl->Items.end() ? -1 : static_cast<int>(It - FImpl->Items.begin());
    ::SendMessageW(FImpl->Wnd, CB_SETCURSEL, static_cast<WPARAM>(FImpl->ItemIndex), 0);
}

void TComboBox::SetFontColor(std::uint32_t ARGB)
{
    FImpl->FontColor = ARGB;
    InvalidateRect(FImpl->Wnd, nullptr, TRUE);
}

