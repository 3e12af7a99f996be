// TFmVornEQ: the declaration (window, pop-up menus, timers) and the editor's creation and destruction.
#include <algorithm>
#include <cctype>
#include <utility>

#include "equaliser/SEQGUI.h"
#include "equaliser/SEQPresetImportJob.h"
#include "platform/System.h"

namespace
{

constexpr int kButtonFace = 15; // COLOR_BTNFACE

const TFormDeclaration& FormDeclaration()
{
    static const TFormDeclaration Declaration = [] {
        TFormDeclaration D;
        D.Name = "FmVornEQ";
        D.Caption = "Test EQ";
        D.BorderStyle = TFormBorderStyle::bsNone;
        D.BorderIcons = 0;
        D.ClientWidth = TFmVornEQ::kWidth;
        D.ClientHeight = TFmVornEQ::kHeight;
        D.Color = SystemColorARGB(kButtonFace);
        D.FixedOpaque = true;
        return D;
    }();
    return Declaration;
}

// How an item of the declaration behaves.
enum TItemFlag : unsigned
{
    ifRadio = 1,     // a radio item of its menu
    ifAutoCheck = 2, // checks itself when chosen
    ifChecked = 4,   // checked at start
    ifDisabled = 8,  // cannot be chosen
    ifNeedsFileDialog = 16, // only where the platform has a file dialog
    ifSecondGroup = 32      // a radio item of the menu's second group
};

// [any] Names of components compare without regard to case.
bool SameName(const std::string& A, const std::string& B)
{
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

// [editor] Walks the items of a menu and their submenus.
TMenuItem* FindItem(const std::vector<TMenuItem*>& Items, const std::string& Name)
{
    for (TMenuItem* Item : Items)
    {
        if (SameName(Item->Name(), Name))
            return Item;
        if (TMenuItem* Inner = FindItem(Item->Items(), Name))
            return Inner;
    }
    return nullptr;
}

} // namespace

// One item of a pop-up menu: the menu (or, for a submenu, the item) it belongs to, the field that keeps it
// (if any) and its handler (if any). A caption "-" is a separator.
struct TFmVornEQ::TMenuDeclaration
{
    TPopupMenu* TFmVornEQ::*Menu;
    TMenuItem* TFmVornEQ::*Parent;
    const char* Name;
    const char* Caption;
    unsigned Flags;
    int Tag;
    TMenuItem* TFmVornEQ::*Field;
    void (TFmVornEQ::*Handler)(TComponent*);
};

// The pop-up menus' items in the order they show. (Ed: the editor, for short.)
using Ed = TFmVornEQ;
constexpr unsigned ifAuto = ifAutoCheck;
const TFmVornEQ::TMenuDeclaration TFmVornEQ::kMenus[] = {
    {&Ed::PUFreqDisplay, nullptr, "MIFrequency", "&Frequency", ifRadio | ifAuto | ifChecked, 0,
     &Ed::MIFrequency, nullptr},
    {&Ed::PUFreqDisplay, nullptr, "MINote", "&Note", ifRadio | ifAuto, 0, &Ed::MINote, nullptr},

    {&Ed::PUFilterNr, nullptr, "MIFilterNr1", "Filter &1", ifRadio, 0, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr2", "Filter &2", ifRadio, 1, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr3", "Filter &3", ifRadio, 2, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr4", "Filter &4", ifRadio, 3, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr5", "Filter &5", ifRadio, 4, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr6", "Filter &6", ifRadio, 5, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr7", "Filter &7", ifRadio, 6, nullptr, &Ed::MIFilterNrClick},
    {&Ed::PUFilterNr, nullptr, "MIFilterNr8", "Filter &8", ifRadio, 7, nullptr, &Ed::MIFilterNrClick},

    {&Ed::PUOverview, nullptr, "MIDefaultScheme", "&Default Scheme", ifRadio | ifAuto | ifChecked, 0,
     &Ed::MIDefaultScheme, &Ed::MIOverviewClick},
    {&Ed::PUOverview, nullptr, "MIBlackWhiteScheme", "&Black && White Scheme", ifRadio | ifAuto | ifDisabled, 0,
     &Ed::MIBlackWhiteScheme, &Ed::MIOverviewClick},
    {&Ed::PUOverview, nullptr, "N1", "-", 0, 0, nullptr, nullptr},
    {&Ed::PUOverview, nullptr, "MIOff", "&Off", ifRadio | ifAuto, 0, &Ed::MIOff, &Ed::MIOverviewClick},
    {&Ed::PUOverview, nullptr, "N5", "-", 0, 0, nullptr, nullptr},
    {&Ed::PUOverview, nullptr, "MIShowResponse", "Show &response", 0, 0,
     &Ed::MIShowResponse, &Ed::MIShowResponseClick},
    {&Ed::PUOverview, nullptr, "MISpectrumOff", "Show spectrum: off", ifRadio | ifSecondGroup, spsOff,
     &Ed::MISpectrumOff, &Ed::MISpectrumClick},
    {&Ed::PUOverview, nullptr, "MISpectrumOutput", "Show spectrum: output", ifRadio | ifSecondGroup, spsOutput,
     &Ed::MISpectrumOutput, &Ed::MISpectrumClick},
    {&Ed::PUOverview, nullptr, "MISpectrumInput", "Show spectrum: input", ifRadio | ifSecondGroup, spsInput,
     &Ed::MISpectrumInput, &Ed::MISpectrumClick},
    {&Ed::PUOverview, nullptr, "N3", "-", ifNeedsFileDialog, 0, nullptr, nullptr},
    {&Ed::PUOverview, nullptr, "MIImportPreset", "&Import EQ preset\u2026", ifNeedsFileDialog, 0,
     &Ed::MIImportPreset, &Ed::MIImportPresetClick},

    {&Ed::PUMeter, nullptr, "Input1", "&Input", ifRadio | ifDisabled, 0, &Ed::Input1, &Ed::MIMeterClick},
    {&Ed::PUMeter, nullptr, "MIOutput", "&Output", ifRadio | ifChecked, 0, &Ed::MIOutput, &Ed::MIMeterClick},
    {&Ed::PUMeter, nullptr, "N2", "-", 0, 0, nullptr, nullptr},
    {&Ed::PUMeter, nullptr, "MIMeterOff", "Off", ifRadio, 0, &Ed::MIMeterOff, &Ed::MIMeterClick},
    {&Ed::PUMeter, nullptr, "N4", "-", 0, 0, nullptr, nullptr},
    {&Ed::PUMeter, nullptr, "MIZoom", "&Zoom", 0, 0, &Ed::MIZoom, nullptr},
    {nullptr, &Ed::MIZoom, "MIZoom1", "&1\u00D7", ifRadio, 1, nullptr, &Ed::MIZoomClick},
    {nullptr, &Ed::MIZoom, "MIZoom2", "&2\u00D7", ifRadio, 2, nullptr, &Ed::MIZoomClick},
    {nullptr, &Ed::MIZoom, "MIZoom3", "&3\u00D7", ifRadio, 3, nullptr, &Ed::MIZoomClick},
    {nullptr, &Ed::MIZoom, "MIZoom4", "&4\u00D7", ifRadio, 4, nullptr, &Ed::MIZoomClick},
    {&Ed::PUMeter, nullptr, "MIFastProcessing", "&Fast processing", 0, 0, &Ed::MIFastProcessing,
     &Ed::MIFastProcessingClick},
};

void TFmVornEQ::CreateComponents()
{
    const std::pair<TPopupMenu* TFmVornEQ::*, const char*> Menus[] = {
        {&TFmVornEQ::PUFreqDisplay, "PUFreqDisplay"},
        {&TFmVornEQ::PUFilterNr, "PUFilterNr"},
        {&TFmVornEQ::PUOverview, "PUOverview"},
        {&TFmVornEQ::PUMeter, "PUMeter"},
    };
    for (const auto& [Field, Name] : Menus)
    {
        this->*Field = new TPopupMenu(this);
        (this->*Field)->SetName(Name);
    }
    const bool FileDialog = HasFileDialog(); // the import item only where a file can be chosen
    for (const TMenuDeclaration& D : kMenus)
    {
        if ((D.Flags & ifNeedsFileDialog) && !FileDialog)
            continue;
        TMenuItem* Item = D.Menu ? (this->*D.Menu)->Add(D.Name, D.Caption) : (this->*D.Parent)->Add(D.Name, D.Caption);
        Item->SetRadioItem((D.Flags & ifRadio) != 0);
        if (D.Flags & ifSecondGroup)
            Item->SetGroupIndex(1);
        Item->SetAutoCheck((D.Flags & ifAutoCheck) != 0);
        if (D.Flags & ifChecked)
            Item->SetChecked(true);
        if (D.Flags & ifDisabled)
            Item->SetEnabled(false);
        Item->SetTag(D.Tag);
        if (D.Field)
            this->*D.Field = Item;
        if (const auto Handler = D.Handler)
            Item->OnClick = [this, Handler](TComponent* S) { (this->*Handler)(S); };
    }

    const std::pair<TTimer* TFmVornEQ::*, const char*> Timers[] = {
        {&TFmVornEQ::GUITimer, "GUITimer"},
        {&TFmVornEQ::UpdateTimer, "UpdateTimer"},
    };
    for (const auto& [Field, Name] : Timers)
    {
        TTimer* T = this->*Field = new TTimer(this);
        T->SetName(Name);
        T->SetInterval(40);
        T->SetEnabled(true);
    }
    GUITimer->OnTimer = [this](TComponent* S) { GUITimerTimer(S); };
    UpdateTimer->OnTimer = [this](TComponent* S) { UpdateTimerTimer(S); };
}

TFmVornEQ::TFmVornEQ(TComponent* AOwner, TSmallEQPlugIn* Module)
    : TForm(AOwner, FormDeclaration()), FResponse(Module), FSpectrum(FResponse.ColumnFrequencies())
{
    CreateComponents();
    OnCreate = [this](TComponent* S) { FormCreate(S); };
    OnPaint = [this](TComponent* S) { FormPaint(S); };
    OnResize = [this](TComponent* S) { FormResize(S); };
    OnKeyDown = [this](TComponent* S, std::uint16_t& Key, TShiftState Sh) { FormKeyDown(S, Key, Sh); };
    // The handlers see panel pixels.
    OnMouseDown = [this](TComponent* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        FormMouseDown(S, B, Sh, PanelCoordinate(X), PanelCoordinate(Y));
    };
    OnMouseMove = [this](TComponent* S, TShiftState Sh, int X, int Y) {
        FormMouseMove(S, Sh, PanelCoordinate(X), PanelCoordinate(Y));
    };
    OnMouseUp = [this](TComponent* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        FormMouseUp(S, B, Sh, PanelCoordinate(X), PanelCoordinate(Y));
    };
    OnMouseWheel = [this](TComponent* S, TShiftState Sh, int Delta, int X, int Y) {
        FormMouseWheel(S, Sh, Delta, PanelCoordinate(X), PanelCoordinate(Y));
    };
    AfterConstruction();
    CheckViewItems();
    if (!Module)
        return;
    // The window redraws everything when it is first sized, so what other threads left for it is moot.
    FModule = Module;
    Module->AttachView(this);
    LoadViewPreference();
    SetView(StartingZoom(), Module->EditorViewSettings().ResponseShown);
    DrawFrequency();
    DrawBandwidth();
    DrawSymmetry();
    DrawGain();
}

TFmVornEQ::~TFmVornEQ()
{
    *FAlive = false;
    CancelImport();
    if (FCursorHidden)
        Application().SetCursor(TCursor::crDefault);
    // The timers and menus go before the bitmaps their handlers draw into.
    DestroyComponents();
}

void TFmVornEQ::FormCreate(TComponent* /*Sender*/)
{
    FSelectedFilter = 3;
    FBackgroundBitmap.SetSize(0, 0);
    FDisplayBitmap.SetSize(0, 0);
    FFrequencyRect = {16, 1, 72, 15};
    FGainRect = {16, 16, 72, 30};
    FBandwidthRect = {73, 1, 125, 15};
    FSymmetryRect = {73, 16, 125, 30};
    FOverviewRect = {16, 31, 125, 34};
    FMeterRect = {126, 1, 130, 34};
    const int Rows = FMeterRect.Bottom - FMeterRect.Top;
    for (int i = 0; i < Rows; ++i)
        FMeterGradient[i] = SetAlpha(HSLtoRGB(0.7 * (1.0 - static_cast<double>(i) / Rows), 1.0, 0.5), 0xAF);
    SetFixedOpaque(true);
}

TPopupMenu* TFmVornEQ::PopupMenu(const std::string& Name) const
{
    for (TPopupMenu* Menu : {PUFreqDisplay, PUFilterNr, PUOverview, PUMeter})
        if (SameName(Menu->Name(), Name))
            return Menu;
    return nullptr;
}

TMenuItem* TFmVornEQ::MenuItem(const std::string& Name) const
{
    for (TPopupMenu* Menu : {PUFreqDisplay, PUFilterNr, PUOverview, PUMeter})
        if (TMenuItem* Item = FindItem(Menu->Items(), Name))
            return Item;
    return nullptr;
}

TTimer* TFmVornEQ::Timer(const std::string& Name) const
{
    return dynamic_cast<TTimer*>(FindComponent(Name));
}
