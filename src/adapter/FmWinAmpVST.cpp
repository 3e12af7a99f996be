#include "adapter/FmWinAmpVST.h"

#include <exception>
#include <utility>

#include "adapter/AdapterEngine.h"
#include "equaliser/SEQRequests.h"
#include "platform/Registry.h"
#include "vsthost/DVSTHost.h"

const TFormDeclaration& TFmWinAmpVST::FormDeclaration()
{
    static const TFormDeclaration Declaration = [] {
        TFormDeclaration D;
        D.Name = "FmWinAmpVST";
        D.Caption = "VST Host DSP Plugin v1.0 for Winamp";
        D.BorderStyle = TFormBorderStyle::bsToolWindow;
        D.BorderIcons = biSystemMenu;
        D.ClientWidth = 426;
        D.ClientHeight = 208;
        D.Color = 0xFF808080;
        D.Position = TFormPosition::poScreenCenter;
        return D;
    }();
    return Declaration;
}

namespace
{

// The editor's largest zoom.
constexpr std::int32_t kMaxZoom = 4;

TFormDeclaration OwnedDeclaration(TNativeHandle OwnerWindow)
{
    TFormDeclaration D = TFmWinAmpVST::FormDeclaration();
    D.OwnerWindow = OwnerWindow;
    return D;
}

} // namespace

TFmWinAmpVST::TFmWinAmpVST(TComponent* AOwner, TNativeHandle OwnerWindow, TAdapterEngine& Engine)
    : TForm(AOwner, OwnedDeclaration(OwnerWindow)), FEngine(Engine)
{
    Timer = new TTimer(this);
    Timer->SetName("Timer");
    Timer->SetInterval(300);
    Timer->SetEnabled(false);
    Timer->OnTimer = [this](TComponent* Sender) { TimerTimer(Sender); };

    OnCreate = [this](TComponent* Sender) { FormCreate(Sender); };
    AfterConstruction();
}

TFmWinAmpVST::~TFmWinAmpVST()
{
    DestroyComponents();
}

void TFmWinAmpVST::FormCreate(TComponent* /*Sender*/)
{
    try
    {
        TRegistry Registry;
        InitPlugin();
        Registry.SetRootKey(TRegistryRoot::rrCurrentUser);
        if (Registry.OpenKeyReadOnly(kWindowStateReadKey))
        {
            if (Registry.ValueExists("Visible") && Registry.ReadInteger("Visible") != 0)
                Show();
            if (Registry.ValueExists("Left"))
                SetLeft(Registry.ReadInteger("Left"));
            if (Registry.ValueExists("Visible"))
                SetVisible(Registry.ReadInteger("Visible") != 0);
        }
        Registry.CloseKey();
    }
    catch (const std::exception& E)
    {
        FCreationError = E.what();
    }
    catch (...)
    {
        FCreationError = "Unknown error";
    }
}

std::string TFmWinAmpVST::TakeCreationError()
{
    return std::exchange(FCreationError, std::string());
}

void TFmWinAmpVST::InitPlugin()
{
    FEngine.StartEqualiser();
    TVstPlugIn& Plugin = FEngine.Instance();
    HandOverView();
    Plugin.ShowEdit(this);
    Plugin.Idle();
    Plugin.EditIdle();
    SetCaption("Marvo");
    ERect Rect{};
    Plugin.EditGetRect(Rect);
    // A plug-in without an editor rectangle leaves the declared size.
    if (Rect.right > Rect.left && Rect.bottom > Rect.top)
    {
        SetClientWidth(Rect.right - Rect.left);
        SetClientHeight(Rect.bottom - Rect.top);
    }
    FEngine.LoadSetting();
}

void TFmWinAmpVST::HandOverView()
{
    std::int32_t Zoom = 0, Response = 0, Fast = 0, Spectrum = 0;
    // A value of another type, or out of range, counts as none stored.
    try
    {
        TRegistry Registry;
        Registry.SetRootKey(TRegistryRoot::rrCurrentUser);
        if (Registry.OpenKeyReadOnly(kWindowStateReadKey))
        {
            if (Registry.ValueExists("Zoom"))
                Zoom = Registry.ReadInteger("Zoom");
            if (Registry.ValueExists("Response"))
                Response = Registry.ReadInteger("Response");
            if (Registry.ValueExists("FastProcessing"))
                Fast = Registry.ReadInteger("FastProcessing");
            if (Registry.ValueExists("Spectrum"))
                Spectrum = Registry.ReadInteger("Spectrum");
        }
    }
    catch (...)
    {
    }
    if (Zoom < 1 || Zoom > kMaxZoom)
        Zoom = 0;
    // Without a stored choice the equaliser runs its reference engine, whatever the listener chose elsewhere.
    // "Spectrum": 0 none, 1 the output's, 2 the input's; anything else none.
    const std::intptr_t SpectrumFlag = Spectrum == 1 ? kSEQViewSpectrumOutput : Spectrum == 2 ? kSEQViewSpectrumInput : 0;
    FEngine.Instance().VstDispatch(effVendorSpecific, kSEQRequestSetView,
                                   Zoom + (Fast != 0 ? kSEQViewFastProcessing : 0) + SpectrumFlag, nullptr,
                                   Response != 0 ? 1.0 : 0.0);
}

void TFmWinAmpVST::TimerTimer(TComponent* /*Sender*/)
{
    FEngine.Instance().EditIdle();
}

void TFmWinAmpVST::StoreWindowState()
{
    TRegistry Registry;
    Registry.SetRootKey(TRegistryRoot::rrCurrentUser);
    if (Registry.OpenKey(kWindowStateWriteKey, true))
    {
        Registry.WriteInteger("Visible", Visible() ? 1 : 0);
        Registry.WriteInteger("Left", Left());
        Registry.WriteInteger("Top", Top());
        if (FEngine.Effect())
        {
            const VstIntPtr View = FEngine.Instance().VstDispatch(effVendorSpecific, kSEQRequestGetView);
            const auto Zoom = static_cast<std::int32_t>(View & (kSEQViewResponseShown - 1));
            if (Zoom >= 1 && Zoom <= kMaxZoom)
                Registry.WriteInteger("Zoom", Zoom);
            Registry.WriteInteger("Response", (View & kSEQViewResponseShown) != 0 ? 1 : 0);
            // Kept once the listener chose the fast engine; absent, the reference engine runs.
            const bool Fast = (View & kSEQViewFastProcessing) != 0;
            if (Fast || Registry.ValueExists("FastProcessing"))
                Registry.WriteInteger("FastProcessing", Fast ? 1 : 0);
            Registry.WriteInteger("Spectrum", (View & kSEQViewSpectrumOutput) != 0  ? 1
                                              : (View & kSEQViewSpectrumInput) != 0 ? 2
                                                                                    : 0);
        }
    }
    Registry.CloseKey();
}
