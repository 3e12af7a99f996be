// The scroll bar, the track bar and the drop-down list for the backends that keep these controls as state of
// their own rather than as native controls (headless, x11): their kind, default size and values.
// [editor]
#include <algorithm>
#include <string>

#include "platform/Forms.h"
#include "platform/FormsBackend.h"
#include "platform/model/ModelledControl.h"

namespace
{

// Fires a control's change event, as the user's change of its value does.
void FireChange(TComponent* Sender, TNotifyEvent Handler)
{
    if (Handler)
        FireEvent([&] { Handler(Sender); });
}

// A new control of this kind, showing, with this default size.
void MakeValueControl(TControlState& State, TControlKind Kind, int Width, int Height)
{
    auto& S = static_cast<TModelledControlState&>(State);
    S.Kind = Kind;
    S.Visible = true;
    S.Width = Width;
    S.Height = Height;
}

} // namespace

TScrollBar::TScrollBar(TComponent* AOwner) : TControl(AOwner)
{
    MakeValueControl(ControlState(), TControlKind::ckScrollBar, 121, 16);
}

TTrackBar::TTrackBar(TComponent* AOwner) : TControl(AOwner)
{
    MakeValueControl(ControlState(), TControlKind::ckTrackBar, 150, 45);
    ControlState().Max = 10;
}

TComboBox::TComboBox(TComponent* AOwner) : TControl(AOwner)
{
    MakeValueControl(ControlState(), TControlKind::ckComboBox, 145, 21);
}

// [editor] A range given backwards becomes the single value AMin; the position is kept inside it.
void TScrollBar::SetRange(int AMin, int AMax)
{
    ControlState().Min = AMin;
    ControlState().Max = std::max(AMin, AMax);
    SetPosition(ControlState().Position_);
}

// [editor]
void TScrollBar::SetPosition(int V)
{
    V = std::clamp(V, ControlState().Min, ControlState().Max);
    if (V == ControlState().Position_)
        return;
    ControlState().Position_ = V;
    FireChange(this, OnChange);
}

// [editor]
void TTrackBar::SetRange(int AMin, int AMax)
{
    ControlState().Min = AMin;
    ControlState().Max = std::max(AMin, AMax);
    SetPosition(ControlState().Position_);
}

// [editor]
void TTrackBar::SetPosition(int V)
{
    V = std::clamp(V, ControlState().Min, ControlState().Max);
    if (V == ControlState().Position_)
        return;
    ControlState().Position_ = V;
    FireChange(this, OnChange);
}

void TTrackBar::SetFrequency(int V) { ControlState().Frequency = std::max(1, V); }
void TTrackBar::SetTickMarksNone(bool V) { ControlState().NoTicks = V; }
void TTrackBar::SetSelection(int AStart, int AEnd)
{
    ControlState().SelStart = AStart;
    ControlState().SelEnd = AEnd;
}

void TComboBox::AddItem(const std::string& Item) { ControlState().Items.push_back(Item); }
void TComboBox::ClearItems()
{
    ControlState().Items.clear();
    ControlState().ItemIndex = -1;
}

// [editor] An index outside the list selects nothing (-1).
void TComboBox::SetItemIndex(int V)
{
    if (V < 0 || V >= ItemCount())
        V = -1;
    if (V == ControlState().ItemIndex)
        return;
    ControlState().ItemIndex = V;
    FireChange(this, OnChange);
}

void TComboBox::SetItemHeight(int V) { ControlState().ItemHeight = std::max(1, V); }

// [editor]
void TComboBox::SetText(const std::string& V)
{
    const auto It = std::find(ControlState().Items.begin(), ControlState().Items.end(), V);
    ControlState().ItemIndex = It == ControlState().Items.end() ? -1 : static_cast<int>(It - ControlState().Items.begin());
}

void TComboBox::SetFontColor(std::uint32_t ARGB) { ControlState().FontColor = ARGB; }
