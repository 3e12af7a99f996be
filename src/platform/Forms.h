#pragma once
// The window toolkit: the least component-and-form framework that the host window, the generic parameter
// editor and the equaliser editor need. One interface, three backends (src/platform/win32: real Win32
// windows; src/platform/x11: real X11 windows; src/platform/headless: deterministic in-memory windows that
// tests drive).
//
// Everything here runs on the thread that owns the windows ([editor]) unless a function says otherwise.
// No member throws across a window-message boundary: backends catch around every event they fire.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Component.h"
#include "platform/EditorWindow.h"

struct TRect
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
};

struct TPoint
{
    int X = 0, Y = 0;
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// Shift state of a mouse or key event.
enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32, ssDouble = 64 };
using TShiftState = unsigned;

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsToolWindow, bsSizeToolWin };
enum TBorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum TAnchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
enum class TFormPosition { poDesigned, poScreenCenter };

class TControl;
class TForm;
struct TControlState;

using TMouseEvent = std::function<void(TComponent* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TComponent* Sender, TShiftState Shift, int X, int Y)>;
// WheelDelta: 120 per notch of the wheel, positive when it turns away from the user; (X, Y) in client pixels.
using TMouseWheelEvent = std::function<void(TComponent* Sender, TShiftState Shift, int WheelDelta, int X, int Y)>;
// Key: the key's Windows virtual-key code (0x1B Escape); a handler that takes the key sets it to 0.
using TKeyEvent = std::function<void(TComponent* Sender, std::uint16_t& Key, TShiftState Shift)>;

// Anything with a window: forms and the standard controls. Geometry is in the parent's client coordinates
// (screen coordinates for a top-level form).
class TControl : public TComponent
{
public:
    TControl(TComponent* AOwner);
    ~TControl() override;

    TNativeHandle Handle() const;
    TControl* Parent() const;
    void SetParent(TControl* AParent);

    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetLeft(int V);
    void SetTop(int V);
    void SetWidth(int V);
    void SetHeight(int V);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    int ClientWidth() const;
    int ClientHeight() const;
    void SetClientWidth(int V);
    void SetClientHeight(int V);

    bool Visible() const;
    void SetVisible(bool V);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const;
    void SetEnabled(bool V);

    unsigned Anchors() const;
    void SetAnchors(unsigned V);
    int TabOrder() const;
    void SetTabOrder(int V);

    // Marks the client area for painting at the next message processing; Repaint paints it at once.
    void Invalidate();
    void Repaint();
    // Whether the control and every parent up to its top-level window are visible.
    bool Showing() const;

    TPoint ClientToScreen(TPoint P) const;
    TPoint ScreenToClient(TPoint P) const;

    // Sends a window message synchronously to this control and answers what its handler answered. Used for
    // the key messages 0x0100 (key down), 0x0101 (key up), 0x0102 (character), 0x0104 (system key down)
    // and 0x0105 (system key up).
    // 0x0010 (close) runs the form's close box.
    std::intptr_t SendMessage(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam);

    // The child controls whose parent this control is, in creation order.
    const std::vector<TControl*>& Controls() const { return FControls; }

    // Backend state; opaque outside the backend.
    struct TImpl;
    TImpl* Impl() const { return FImpl.get(); }

protected:
    // Moves the children anchored to the right or bottom edge after the client area changed by (DW, DH).
    void AnchorControls(int DW, int DH);
    // The backend-independent part of the backend state.
    TControlState& ControlState() const;
    // Leaves the parent's list of controls (and its active control) and joins AParent's; the native side of
    // the move is the caller's.
    void MoveToParent(TControl* AParent);

    std::unique_ptr<TImpl> FImpl;
    TControl* FParent = nullptr;
    std::vector<TControl*> FControls;
};

// The declaration of a form: its static properties, read once at construction.
struct TFormDeclaration
{
    std::string Name;
    std::string Caption;
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    unsigned BorderIcons = biSystemMenu | biMinimize | biMaximize;
    int ClientWidth = 0;
    int ClientHeight = 0;
    std::uint32_t Color = 0xFFF0F0F0; // ARGB
    TFormPosition Position = TFormPosition::poDesigned;
    // When not null, the form's window is owned by this native window (the form stays above it).
    TNativeHandle OwnerWindow = nullptr;
    // Opaque, fixed width and fixed height: the form paints all of its client area and cannot be resized.
    bool FixedOpaque = false;
};

// A form: a top-level window (or a child, once embedded into a parent given by native handle).
class TForm : public TControl, public TEditorWindow
{
public:
    TForm(TComponent* AOwner, const TFormDeclaration& Declaration);
    ~TForm() override;

    // The form as a plug-in's editor window (EditorWindow.h).
    int ClientWidth() const override { return TControl::ClientWidth(); }
    int ClientHeight() const override { return TControl::ClientHeight(); }
    void EmbedAsEditor(TNativeHandle ParentWindow) override;
    std::intptr_t SendKeyMessage(unsigned Msg, std::uintptr_t WParam, std::intptr_t LParam) override;

    const std::string& Caption() const;
    void SetCaption(const std::string& V);
    TFormBorderStyle BorderStyle() const;
    void SetBorderStyle(TFormBorderStyle V);
    std::uint32_t Color() const;
    void SetColor(std::uint32_t ARGB);

    unsigned BorderIcons() const;
    void SetBorderIcons(unsigned V);
    TFormPosition Position() const;
    // poScreenCenter centres the form on the screen at once (and whenever it is set again).
    void SetPosition(TFormPosition V);
    // The window that owns this top-level form (it stays above its owner), or null.
    TNativeHandle OwnerWindow() const;
    void SetOwnerWindow(TNativeHandle Owner);
    // Opaque, fixed width and height (see TFormDeclaration::FixedOpaque).
    bool FixedOpaque() const;
    void SetFixedOpaque(bool V);

    // Embeds the form as a child window of the native window ParentHandle (null makes it top-level again).
    // Position and size are then in ParentHandle's client coordinates.
    void SetParentWindow(TNativeHandle ParentHandle);
    TNativeHandle ParentWindow() const;
    void BringToFront();

    // Fires OnCreate, once. A derived form calls it at the end of its constructor, after assigning its
    // handlers; a form that never calls it gets OnCreate before it is first shown, embedded or resized.
    void AfterConstruction();

    // The control that has the keyboard focus inside the form, or null.
    TControl* ActiveControl() const;
    void SetActiveControl(TControl* C);

    // Copies a Width x Height block of 32-bit ARGB pixels (row-major, Stride pixels per row) into the client
    // area at (0, 0). Called from OnPaint, or at any time (then it is drawn at once).
    void PaintBitmap(const std::uint32_t* Pixels, int Width, int Height, int Stride);

    // The screen's pixels per 96-dpi pixel where the form is (1 on a 96-dpi screen, 2 on a 192-dpi one):
    // Win32 the window's DPI / 96 (the system's DPI when the thread is not per-monitor aware); X11 the
    // Xft.dpi resource / 96 (1 without it); headless what the test driver set (1 by default). Never below 1.
    double DisplayScale() const;

    TNotifyEvent OnCreate;  // see AfterConstruction; the declaration was applied and the handle exists
    TNotifyEvent OnDestroy; // at the start of destruction
    TNotifyEvent OnPaint;   // the client area must be drawn (call PaintBitmap)
    // The form received its size: once when it is first shown or embedded (after OnCreate), then whenever
    // its client size changes.
    TNotifyEvent OnResize;
    TNotifyEvent OnClose;   // the close box was pressed; the form hides itself afterwards
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TMouseWheelEvent OnMouseWheel; // the wheel turned over the form (or while it holds the mouse capture)
    TKeyEvent OnKeyDown;           // a key went down while the form had the keyboard (key messages 0x0100, 0x0104)

    // Backend entry points for input, so that every backend fires the events the same way.
    void DoMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DoMouseMove(TShiftState Shift, int X, int Y);
    void DoMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void DoMouseWheel(TShiftState Shift, int WheelDelta, int X, int Y);
    // Answers whether a handler took the key.
    bool DoKeyDown(std::uint16_t Key, TShiftState Shift);
    void DoClose();
    void DoPaint();
    // Called by the backend after the client size may have changed: moves anchored children and fires
    // OnResize as documented.
    void DoClientResized();
    // Called by the backend when the form is shown or embedded: OnCreate if still due, then the first OnResize.
    void DoShowing();

private:
    void EnsureCreated();
    bool FCreated = false;
    bool FSizeAnnounced = false;
    int FAnnouncedWidth = 0;
    int FAnnouncedHeight = 0;
};

// A text label. AutoSize (default true) sizes it to its caption.
class TLabel : public TControl
{
public:
    explicit TLabel(TComponent* AOwner);
    const std::string& Caption() const;
    void SetCaption(const std::string& V);
    bool AutoSize() const;
    void SetAutoSize(bool V);
    bool Centered() const;
    void SetCentered(bool V);
    // Width in pixels of Text in this label's font.
    int TextWidth(const std::string& Text) const;
};

// A horizontal scroll bar.
class TScrollBar : public TControl
{
public:
    explicit TScrollBar(TComponent* AOwner);
    int Min() const;
    int Max() const;
    void SetRange(int AMin, int AMax);
    int Position() const;
    void SetPosition(int V); // fires OnChange when the position changes
    int LargeChange() const;
    void SetLargeChange(int V);
    TNotifyEvent OnChange;
};

// A horizontal track bar.
class TTrackBar : public TControl
{
public:
    explicit TTrackBar(TComponent* AOwner);
    int Min() const;
    int Max() const;
    void SetRange(int AMin, int AMax);
    int Position() const;
    void SetPosition(int V); // fires OnChange when the position changes
    int Frequency() const;
    void SetFrequency(int V);
    bool TickMarksNone() const;
    void SetTickMarksNone(bool V);
    void SetSelection(int AStart, int AEnd);
    int SelStart() const;
    int SelEnd() const;
    TNotifyEvent OnChange;
};

// A drop-down list.
class TComboBox : public TControl
{
public:
    explicit TComboBox(TComponent* AOwner);
    void AddItem(const std::string& Item);
    void ClearItems();
    int ItemCount() const;
    std::string Item(int Index) const;
    int ItemIndex() const;
    void SetItemIndex(int V); // fires OnChange when the selection changes
    void SetItemHeight(int V);
    // Selects the item equal to V (none when there is no such item) without firing OnChange.
    void SetText(const std::string& V);
    std::string Text() const;
    int ItemHeight() const;
    std::uint32_t FontColor() const;
    void SetFontColor(std::uint32_t ARGB);
    TNotifyEvent OnChange;
};

class TMenuItem : public TComponent
{
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;
    const std::string& Caption() const; // "&" marks the accelerator; "-" is a separator
    void SetCaption(const std::string& V);
    bool Checked() const;
    void SetChecked(bool V); // a checked radio item unchecks the other radio items of its group
    bool RadioItem() const;
    void SetRadioItem(bool V);
    int GroupIndex() const;
    void SetGroupIndex(int V);
    bool AutoCheck() const;
    void SetAutoCheck(bool V);
    bool Enabled() const;
    void SetEnabled(bool V);
    bool IsSeparator() const { return Caption() == "-"; }
    // Sub-items: an item with items opens them as a submenu instead of being chosen. The item owns them.
    TMenuItem* Add(const std::string& Name, const std::string& Caption);
    const std::vector<TMenuItem*>& Items() const;
    // The menu or item whose items list this item, or null.
    TComponent* ParentMenu() const { return Owner(); }
    // Runs what choosing the item does: auto-check, then OnClick. An item with sub-items does nothing.
    void Click();
    TNotifyEvent OnClick;

    struct TState;
    TState* State() const { return FState.get(); }

private:
    std::unique_ptr<TState> FState;
};

class TPopupMenu : public TComponent
{
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    // Items in order; the menu owns them.
    TMenuItem* Add(const std::string& Name, const std::string& Caption);
    const std::vector<TMenuItem*>& Items() const;
    // The item of that name (any case) in this menu or any of its submenus, or null.
    TMenuItem* FindItem(const std::string& Name) const;
    // Shows the menu at a screen position and runs the chosen item's Click (Win32: modal until closed; X11:
    // returns at once, and the chosen item's Click runs from the event processing later).
    void Popup(int ScreenX, int ScreenY);

private:
    friend class TMenuItem;
    std::vector<TMenuItem*> FItems;
};

class TTimer : public TComponent
{
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;
    unsigned Interval() const;
    void SetInterval(unsigned Milliseconds);
    bool Enabled() const;
    void SetEnabled(bool V);
    TNotifyEvent OnTimer;

    // Backend state; opaque outside the backend.
    struct TImpl;
    TImpl* Impl() const { return FImpl.get(); }

private:
    std::unique_ptr<TImpl> FImpl;
};

enum class TCursor { crDefault, crNone };

// The library's application object: owns components (the equaliser module, the host window), processes
// pending messages, shows errors and sets the screen cursor.
class TApplication : public TComponent
{
public:
    TApplication();
    ~TApplication() override;
    // Dispatches every pending window message (timers, paints, input) once, then returns.
    void ProcessMessages();
    // Waits until a window message is pending, then dispatches every pending one (headless: dispatches what
    // is pending without waiting, as nothing but the test driver queues messages). Answers false once a quit
    // request is queued (it stays queued).
    bool HandleMessage();
    // Shows Message in a message box (headless: records it and writes one line to standard error).
    void ShowException(const std::string& Message);
    TCursor Cursor() const;
    void SetCursor(TCursor C);
    // The caption of message boxes that name no caption of their own.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& V) { FTitle = V; }

private:
    std::string FTitle = "Marvo";
    TCursor FCursor = TCursor::crDefault;
};

// [editor] The library-wide application object.
TApplication& Application();

// [any] Runs Call on the window thread that windows made for the caller belong to, and waits until it
// has run; an exception that Call throws reaches the caller. Win32 and headless: the calling thread itself.
// X11: the calling thread when it owns windows or timers of this toolkit (a program of ours); otherwise (a
// foreign host's thread) the toolkit's own window thread, which processes the events of the windows made there
// (see src/platform/x11/X11Application.cpp).
void RunInWindowThread(const std::function<void()>& Call);

// ---- The desktop

// [editor] Message box with an OK button (headless and X11: recorded and written to standard error).
void ShowMessageBox(const std::string& Text, const std::string& Caption = "");

// [editor] File dialogs. Filter is "name|*.ext|name2|*.ext2|". Answer the chosen path, or nothing
// (X11: there is no dialog; always nothing, and HasFileDialog answers false).
bool HasFileDialog();
std::optional<std::string> OpenFileDialog(const std::string& Title, const std::string& InitialDir,
                                          const std::string& Filter);
std::optional<std::string> SaveFileDialog(const std::string& Title, const std::string& InitialDir,
                                          const std::string& Filter);

// [any] Why this process cannot show windows now, in a few words (X11: "no display (DISPLAY is not set)"),
// or nothing when it can (Win32 and headless always can).
std::optional<std::string> DisplayUnavailable();

// [editor] The pointer in screen coordinates.
TPoint GetPointerPos();
void SetPointerPos(int ScreenX, int ScreenY);

// [editor] The size of the primary screen in pixels.
int ScreenWidth();
int ScreenHeight();

// [editor] Runs an event handler; an exception that escapes it is shown with
// Application().ShowException and goes no further (events are fired from window messages).
void FireEvent(const std::function<void()>& Handler);
