#include "adapter/FmWinAmpVST.h"

#include <exception>
#include <sstream>
#include <utility>

#include "adapter/WADSPVST.h"
#include "equaliser/SmallEQModule.h"
#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"
#include "platform/Registry.h"
#include "platform/System.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr const char* kSettingFileName = "Marvo.fxp";
constexpr const char* kRejectedSuffix = ".rejected";

#ifdef MARVO_WIN32
constexpr const char* kUserSettingFolder = "Zentrova\\Marvo\\";
#else
constexpr const char* kUserSettingFolder = "Zentrova/Marvo/";
#endif

// [host-main] Runs Step and ignores what it raises.
template <class F>
void IgnoringErrors(F&& Step)
{
    try
    {
        Step();
    }
    catch (...)
    {
    }
}

} // namespace

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

TFormDeclaration OwnedDeclaration(TNativeHandle OwnerWindow)
{
    TFormDeclaration D = TFmWinAmpVST::FormDeclaration();
    D.OwnerWindow = OwnerWindow;
    return D;
}

} // namespace

TFmWinAmpVST::TFmWinAmpVST(TComponent* AOwner, TNativeHandle OwnerWindow)
    : TForm(AOwner, OwnedDeclaration(OwnerWindow))
{
    VstHost = new TVstHost(this);
    VstHost->SetName("VstHost");
    VstHost->VstPlugIns().Add();
    VstHost->ParameterQuantization = 0;
    TVstHost::SetCanDos({hcdSendVstEvents, hcdSendVstMidiEvent, hcdSendVstTimeInfo, hcdReceiveVstEvents,
                         hcdReceiveVstMidiEvent, hcdReceiveVstTimeInfo, hcdSizeWindow, hcdAsyncProcessing,
                         hcdOffline, hcdSupplyIdle, hcdEditFile, hcdStartStopProcess});
    VstHost->ManageIdleAutomaticly = false;
    VstHost->SetTempo(120.0f);
    TVstHost::SetVstVersion(2400);
    VstHost->VendorVersion = 0;
    VstHost->PlugInDir = "C:\\Programme\\Audio\\Plugins\\VST";
    VstHost->VstTimeInfo().SetSampleRate(44100.0);
    VstHost->VstTimeInfo().SetTempo(120.0);
    VstHost->VstTimeInfo().SetFlags({vtiNanosValid, vtiPpqPosValid, vtiTempoValid, vtiBarsValid, vtiCyclePosValid,
                                     vtiTimeSigValid, vtiSmpteValid, vtiClockValid});
    VstHost->Loaded();

    Timer = new TTimer(this);
    Timer->SetName("Timer");
    Timer->SetInterval(300);
    Timer->SetEnabled(false);
    Timer->OnTimer = [this](TComponent* Sender) { TimerTimer(Sender); };

    SamplePlanes.Reserve(2, kReservedFrames);
    OnCreate = [this](TComponent* Sender) { FormCreate(Sender); };
    AfterConstruction();
}

TFmWinAmpVST::~TFmWinAmpVST()
{
    DestroyComponents();
}

TVstPlugIn& TFmWinAmpVST::Instance() const
{
    return *VstHost->VstPlugIns().Items(0);
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
    TVstPlugIn& Plugin = Instance();
    // A block sees the instance either inactive or complete; the pauses for the plug-in leave the lock free.
    {
        TAdapterLockHold Hold;
        IgnoringErrors([&] { Plugin.CloseEdit(); });
        Plugin.SetActive(false);
    }
    SystemSleep(10);
    {
        TAdapterLockHold Hold;
        IgnoringErrors([&] { Plugin.Unload(); });
    }
    SystemSleep(10);
    auto* Module = new TSmallEQModule(&Application());
    EQModule = Module;
    Module->Effect()->user = Module;
    Module->SetAudioMaster(&AudioMasterCallback);
    {
        TAdapterLockHold Hold;
        Plugin.VstEffect = Module->Effect();
        Plugin.SetActive(true);
    }
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
    const std::string Setting = SettingFileToLoad();
    if (!Setting.empty())
    {
        try
        {
            Plugin.LoadPreset(Setting);
        }
        catch (...)
        {
            FRejectedSettingFile = Setting;
            throw;
        }
    }
}

void TFmWinAmpVST::TimerTimer(TComponent* /*Sender*/)
{
    Instance().EditIdle();
}

std::string TFmWinAmpVST::PlayerSettingFile()
{
    return ExtractFilePath(ExecutablePath()) + kSettingFileName;
}

std::string TFmWinAmpVST::UserSettingFile()
{
    const std::string Folder = UserSettingsFolder();
    return Folder.empty() ? std::string() : Folder + kUserSettingFolder + kSettingFileName;
}

std::string TFmWinAmpVST::SettingFileToLoad()
{
    const std::string User = UserSettingFile();
    if (!User.empty() && FileExists(User))
        return User;
    const std::string Player = PlayerSettingFile();
    return FileExists(Player) ? Player : std::string();
}

void TFmWinAmpVST::SaveSetting()
{
    std::ostringstream Stream(std::ios::binary);
    Instance().SavePreset(Stream);
    const std::string Bytes = Stream.str();

    if (!FRejectedSettingFile.empty())
    {
        RenameFileReplacing(FRejectedSettingFile, FRejectedSettingFile + kRejectedSuffix);
        FRejectedSettingFile.clear();
    }
    const std::string Player = PlayerSettingFile();
    const std::string User = UserSettingFile();
    try
    {
        WriteFileAtomically(Player, Bytes.data(), Bytes.size());
    }
    catch (const EMarvoError&)
    {
        if (User.empty())
            throw;
        ForceDirectories(ExtractFilePath(User));
        WriteFileAtomically(User, Bytes.data(), Bytes.size());
        return;
    }
    // The per-user copy must not outlive a newer setting in the player's folder; if it cannot be removed
    // it is brought up to date instead.
    if (!User.empty() && !RemoveFile(User))
        WriteFileAtomically(User, Bytes.data(), Bytes.size());
}

void CloseHostWindow(TFmWinAmpVST*& Window)
{
    if (!Window)
        return;
    IgnoringErrors([&] {
        TRegistry Registry;
        Registry.SetRootKey(TRegistryRoot::rrCurrentUser);
        if (Registry.OpenKey(kWindowStateWriteKey, true))
        {
            Registry.WriteInteger("Visible", Window->Visible() ? 1 : 0);
            Registry.WriteInteger("Left", Window->Left());
            Registry.WriteInteger("Top", Window->Top());
        }
        Registry.CloseKey();
    });
    IgnoringErrors([&] { Window->Hide(); });
    IgnoringErrors([&] { Window->Timer->SetEnabled(false); });

    // Saving may fail (a folder nobody may write to, a full disk); the teardown runs regardless so that the
    // editor, the instance and the window never outlive the adapter.
    std::string SaveError;
    try
    {
        Window->SaveSetting();
    }
    catch (const std::exception& E)
    {
        SaveError = E.what();
    }
    catch (...)
    {
        SaveError = "cannot write preset file";
    }
    ReleaseHostWindow(Window);
    if (!SaveError.empty())
        throw EMarvoError(SaveError);
}

void ReleaseHostWindow(TFmWinAmpVST*& Window)
{
    TFmWinAmpVST* W = std::exchange(Window, nullptr);
    if (!W)
        return;
    IgnoringErrors([&] { W->VstHost->VstPlugIns().Items(0)->CloseEdit(); });
    IgnoringErrors([&] { W->VstHost->VstPlugIns().Items(0)->SetActive(false); });
    W->EQModule = nullptr;
    IgnoringErrors([&] { W->VstHost->VstPlugIns().Items(0)->Unload(); });
    delete W;
}
