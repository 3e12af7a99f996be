// The backend-independent part of the window toolkit: ownership, menu item state, the control state every
// backend keeps alike, the order in which a form fires its events, and the public face of the backend's
// hooks (FormsBackend.h).
// Every function here runs on the thread that owns the windows ([editor]).
#include "platform/Forms.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "platform/Exceptions.h"
#include "platform/FormsBackend.h"
#include "platform/System.h"

namespace
{

bool SameTextASCII(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
               return std::tolower(static_cast<unsigned char>(X)) == std::tolower(static_cast<unsigned char>(Y));
           });
}

} // namespace

// [editor]
void FireEvent(const std::function<void()>& Handler)
{
    try
    {
        Handler();
    }
    catch (const std::exception& E)
    {
        try
        {
            Application().ShowException(E.what());
        }
        catch (...)
        {
        }
    }
    catch (...)
    {
        try
        {
            Application().ShowException("Unknown error");
        }
        catch (...)
        {
        }
    }
}

// ---- TControl (common part) -------------------------------------------------------------------------------

// [editor]
TControl* TControl::Parent() const
{
    return FParent;
}

// [editor]
void TControl::AnchorControls(int DW, int DH)
{
    if (DW == 0 && DH == 0)
        return;
    for (TControl* C : FControls)
    {
        const unsigned A = C->Anchors();
        int L = C->Left(), T = C->Top(), W = C->Width(), H = C->Height();
        if (A & akRight)
        {
            if (A & akLeft)
                W = std::max(0, W + DW);
            else
                L += DW;
        }
        if (A & akBottom)
        {
            if (A & akTop)
                H = std::max(0, H + DH);
            else
                T += DH;
        }
        if (L != C->Left() || T != C->Top() || W != C->Width() || H != C->Height())
            C->SetBounds(L, T, W, H);
    }
}

// ---- Backend-independent state ----------------------------------------------------------------------------

// [editor]
void TControl::MoveToParent(TControl* AParent)
{
    if (FParent)
    {
        auto& Siblings = FParent->FControls;
        Siblings.erase(std::remove(Siblings.begin(), Siblings.end(), this), Siblings.end());
        if (FParent->ControlState().ActiveControl == this)
            FParent->ControlState().ActiveControl = nullptr;
    }
    FParent = AParent;
    if (FParent)
        FParent->FControls.push_back(this);
}

void TControl::SetLeft(int V) { SetBounds(V, Top(), Width(), Height()); }
void TControl::SetTop(int V) { SetBounds(Left(), V, Width(), Height()); }
void TControl::SetWidth(int V) { SetBounds(Left(), Top(), V, Height()); }
void TControl::SetHeight(int V) { SetBounds(Left(), Top(), Width(), V); }

unsigned TControl::Anchors() const { return ControlState().Anchors; }
void TControl::SetAnchors(unsigned V) { ControlState().Anchors = V; }
int TControl::TabOrder() const { return ControlState().TabOrder; }

const std::string& TForm::Caption() const { return ControlState().Caption; }
TFormBorderStyle TForm::BorderStyle() const { return ControlState().BorderStyle; }
std::uint32_t TForm::Color() const { return ControlState().Color; }
unsigned TForm::BorderIcons() const { return ControlState().BorderIcons; }
TFormPosition TForm::Position() const { return ControlState().Position; }
bool TForm::FixedOpaque() const { return ControlState().FixedOpaque; }
void TForm::SetFixedOpaque(bool V) { ControlState().FixedOpaque = V; }
TControl* TForm::ActiveControl() const { return ControlState().ActiveControl; }

const std::string& TLabel::Caption() const { return ControlState().Caption; }
bool TLabel::AutoSize() const { return ControlState().AutoSize; }
bool TLabel::Centered() const { return ControlState().Centered; }

int TScrollBar::Min() const { return ControlState().Min; }
int TScrollBar::Max() const { return ControlState().Max; }
int TScrollBar::Position() const { return ControlState().Position_; }
int TScrollBar::LargeChange() const { return ControlState().LargeChange; }
void TScrollBar::SetLargeChange(int V) { ControlState().LargeChange = std::max(1, V); }

int TTrackBar::Min() const { return ControlState().Min; }
int TTrackBar::Max() const { return ControlState().Max; }
int TTrackBar::Position() const { return ControlState().Position_; }
int TTrackBar::Frequency() const { return ControlState().Frequency; }
bool TTrackBar::TickMarksNone() const { return ControlState().NoTicks; }
int TTrackBar::SelStart() const { return ControlState().SelStart; }
int TTrackBar::SelEnd() const { return ControlState().SelEnd; }

int TComboBox::ItemCount() const { return static_cast<int>(ControlState().Items.size()); }
int TComboBox::ItemIndex() const { return ControlState().ItemIndex; }
int TComboBox::ItemHeight() const { return ControlState().ItemHeight; }
std::string TComboBox::Text() const { return Item(ControlState().ItemIndex); }
std::uint32_t TComboBox::FontColor() const { return ControlState().FontColor; }

// [editor] An index outside the list answers "".
std::string TComboBox::Item(int Index) const
{
    return Index >= 0 && Index < ItemCount() ? ControlState().Items[static_cast<std::size_t>(Index)] : std::string();
}

// ---- Application and dialogs -----------------------------------------------------------------------------

TApplication::TApplication() : TComponent(nullptr) {}

// [editor]
TApplication::~TApplication()
{
    DestroyComponents();
}

// [editor]
void TApplication::ShowException(const std::string& Message)
{
    ShowMessageBox(Message, FTitle);
}

TCursor TApplication::Cursor() const { return FCursor; }

// [editor]
void TApplication::SetCursor(TCursor C)
{
    FCursor = C;
    NativeCursor(C);
}

void TApplication::ProcessMessages() { NativeProcessMessages(); }
bool TApplication::HandleMessage() { return NativeHandleMessage(); }

// [any]
void RunInWindowThread(const std::function<void()>& Call)
{
    NativeRunInWindowThread(Call);
}

// [editor]
void ShowMessageBox(const std::string& Text, const std::string& Caption)
{
    NativeMessageBox(Text, Caption.empty() ? Application().Title() : Caption);
}

TPoint GetPointerPos() { return NativePointerPos(); }
void SetPointerPos(int ScreenX, int ScreenY) { NativeWarpPointer(ScreenX, ScreenY); }
int ScreenWidth() { return NativeScreenWidth(); }
int ScreenHeight() { return NativeScreenHeight(); }

// [any]
std::optional<std::string> DisplayUnavailable()
{
    return NativeDisplayUnavailable();
}

// [any]
bool HasFileDialog()
{
    return NativeHasFileDialog();
}

// [editor]
std::optional<std::string> OpenFileDialog(const std::string& Title, const std::string& InitialDir,
                                          const std::string& Filter)
{
    return NativeFileDialog(false, Title, InitialDir, Filter);
}

// [editor]
std::optional<std::string> SaveFileDialog(const std::string& Title, const std::string& InitialDir,
                                          const std::string& Filter)
{
    return NativeFileDialog(true, Title, InitialDir, Filter);
}

// ---- TForm as an editor window ----------------------------------------------------------------------------

// [editor]
void TForm::EmbedAsEditor(TNativeHandle ParentWindow)
{
    SetParentWindow(ParentWindow);
    Show();
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(0, 0, Width(), Height());
    Repaint();
}

// [editor]
std::intptr_t TForm::SendKeyMessage(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam)
{
    TControl* Target = ActiveControl();
    if (!Target)
        Target = this;
    return Target->SendMessage(Msg, WParam, LParam);
}

// ---- TForm (event order) ----------------------------------------------------------------------------------

// [editor]
void TForm::AfterConstruction()
{
    EnsureCreated();
}

// [editor]
void TForm::EnsureCreated()
{
    if (FCreated)
        return;
    FCreated = true;
    if (TNotifyEvent H = OnCreate)
        FireEvent([&] { H(this); });
}

// [editor]
void TForm::DoShowing()
{
    EnsureCreated();
    if (FSizeAnnounced)
        return;
    FSizeAnnounced = true;
    FAnnouncedWidth = ClientWidth();
    FAnnouncedHeight = ClientHeight();
    if (TNotifyEvent H = OnResize)
        FireEvent([&] { H(this); });
}

// [editor]
void TForm::DoClientResized()
{
    const int W = ClientWidth(), H = ClientHeight();
    if (W == FAnnouncedWidth && H == FAnnouncedHeight)
        return;
    const int DW = W - FAnnouncedWidth, DH = H - FAnnouncedHeight;
    FAnnouncedWidth = W;
    FAnnouncedHeight = H;
    AnchorControls(DW, DH);
    if (!FSizeAnnounced)
        return;
    EnsureCreated();
    if (TNotifyEvent H = OnResize)
        FireEvent([&] { H(this); });
}

// [editor]
void TForm::DoPaint()
{
    EnsureCreated();
    if (TNotifyEvent H = OnPaint)
        FireEvent([&] { H(this); });
}

// [editor]
void TForm::DoClose()
{
    if (TNotifyEvent H = OnClose)
        FireEvent([&] { H(this); });
    Hide();
}

// [editor]
void TForm::DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (TMouseEvent H = OnMouseDown)
        FireEvent([&] { H(this, Button, Shift, X, Y); });
}

// [editor] Handlers are copied before they run: a handler may detach itself (OnMouseMove = nullptr) or
// free its form while it runs.
void TForm::DoMouseMove(TShiftState Shift, int X, int Y)
{
    if (!OnMouseMove)
        return;
    TMouseMoveEvent Handler = OnMouseMove;
    FireEvent([&] { Handler(this, Shift, X, Y); });
}

// [editor]
void TForm::DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (TMouseEvent H = OnMouseUp)
        FireEvent([&] { H(this, Button, Shift, X, Y); });
}

// [editor]
void TForm::DoMouseWheel(TShiftState Shift, int WheelDelta, int X, int Y)
{
    if (TMouseWheelEvent H = OnMouseWheel)
        FireEvent([&] { H(this, Shift, WheelDelta, X, Y); });
}

// [editor]
bool TForm::DoKeyDown(std::uint16_t Key, TShiftState Shift)
{
    if (TKeyEvent H = OnKeyDown)
        FireEvent([&] { H(this, Key, Shift); });
    return Key == 0;
}

// [editor]
double TForm::DisplayScale() const
{
    const double Scale = NativeDisplayScale(*this);
    return Scale > 1.0 ? Scale : 1.0;
}

// ---- Menus ------------------------------------------------------------------------------------------------

struct TMenuItem::TState
{
    std::string Caption;
    bool Checked = false;
    bool RadioItem = false;
    int GroupIndex = 0;
    bool AutoCheck = false;
    bool Enabled = true;
    std::vector<TMenuItem*> Items; // the submenu, owned as components
};

namespace
{

// [editor] The items list that Item belongs to: its menu's or its parent item's.
std::vector<TMenuItem*>* SiblingList(TComponent* Owner)
{
    if (auto* Menu = dynamic_cast<TPopupMenu*>(Owner))
        return const_cast<std::vector<TMenuItem*>*>(&Menu->Items());
    if (auto* Parent = dynamic_cast<TMenuItem*>(Owner))
        return const_cast<std::vector<TMenuItem*>*>(&Parent->Items());
    return nullptr;
}

TMenuItem* FindIn(const std::vector<TMenuItem*>& Items, const std::string& Name)
{
    for (TMenuItem* Item : Items)
    {
        if (!Name.empty() && SameTextASCII(Item->Name(), Name))
            return Item;
        if (TMenuItem* Found = FindIn(Item->Items(), Name))
            return Found;
    }
    return nullptr;
}

} // namespace

// [editor]
TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), FState(std::make_unique<TState>()) {}

// [editor] An item freed on its own leaves its menu's (or parent item's) item list; its sub-items go with it.
TMenuItem::~TMenuItem()
{
    FState->Items.clear();
    DestroyComponents();
    if (std::vector<TMenuItem*>* Siblings = SiblingList(Owner()))
        Siblings->erase(std::remove(Siblings->begin(), Siblings->end(), this), Siblings->end());
}

// [editor]
TMenuItem* TMenuItem::Add(const std::string& Name, const std::string& Caption)
{
    auto* Item = new TMenuItem(this);
    Item->SetName(Name);
    Item->SetCaption(Caption);
    FState->Items.push_back(Item);
    return Item;
}

// [editor]
const std::vector<TMenuItem*>& TMenuItem::Items() const
{
    return FState->Items;
}

const std::string& TMenuItem::Caption() const { return FState->Caption; }
void TMenuItem::SetCaption(const std::string& V) { FState->Caption = V; }
bool TMenuItem::Checked() const { return FState->Checked; }
bool TMenuItem::RadioItem() const { return FState->RadioItem; }
void TMenuItem::SetRadioItem(bool V) { FState->RadioItem = V; }
int TMenuItem::GroupIndex() const { return FState->GroupIndex; }
void TMenuItem::SetGroupIndex(int V) { FState->GroupIndex = V; }
bool TMenuItem::AutoCheck() const { return FState->AutoCheck; }
void TMenuItem::SetAutoCheck(bool V) { FState->AutoCheck = V; }
bool TMenuItem::Enabled() const { return FState->Enabled; }
void TMenuItem::SetEnabled(bool V) { FState->Enabled = V; }

// [editor] Checking a radio item unchecks the radio items of the same group in the same menu (or submenu).
void TMenuItem::SetChecked(bool V)
{
    FState->Checked = V;
    if (!V || !FState->RadioItem)
        return;
    const std::vector<TMenuItem*>* Siblings = SiblingList(Owner());
    if (!Siblings)
        return;
    for (TMenuItem* Other : *Siblings)
        if (Other != this && Other->RadioItem() && Other->GroupIndex() == FState->GroupIndex)
            Other->FState->Checked = false;
}

// [editor] A disabled item or a separator does nothing. An auto-check radio item checks itself (it
// cannot be unchecked by choosing it again); an auto-check plain item toggles.
void TMenuItem::Click()
{
    if (!FState->Enabled || IsSeparator() || !FState->Items.empty())
        return;
    if (FState->AutoCheck)
        SetChecked(FState->RadioItem ? true : !FState->Checked);
    if (TNotifyEvent H = OnClick) // a handler may free the item
        H(this);
}

// [editor]
TPopupMenu::TPopupMenu(TComponent* AOwner) : TComponent(AOwner) {}

// [editor] The items are owned components and go with the menu.
TPopupMenu::~TPopupMenu()
{
    FItems.clear();
    DestroyComponents();
}

// [editor]
TMenuItem* TPopupMenu::Add(const std::string& Name, const std::string& Caption)
{
    auto* Item = new TMenuItem(this);
    Item->SetName(Name);
    Item->SetCaption(Caption);
    FItems.push_back(Item);
    return Item;
}

// [editor]
const std::vector<TMenuItem*>& TPopupMenu::Items() const
{
    return FItems;
}

// [editor]
TMenuItem* TPopupMenu::FindItem(const std::string& Name) const
{
    return FindIn(FItems, Name);
}

// [editor]
void TPopupMenu::Popup(int ScreenX, int ScreenY)
{
    NativePopup(*this, ScreenX, ScreenY);
}

// [editor]
TApplication& Application()
{
    // Freed when the library unloads, together with every component it owns.
    static TApplication Instance;
    return Instance;
}

// [editor] OnDestroy runs while the owned components still exist; then they are freed.
TForm::~TForm()
{
    if (TNotifyEvent H = OnDestroy)
        FireEvent([&] { H(this); });
    DestroyComponents();
}
