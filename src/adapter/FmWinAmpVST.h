#pragma once
// TFmWinAmpVST: the adapter's one window, the tool window "Marvo" owned by the player's window. It owns the
// VST host with one hosted instance, creates the equaliser in-process and runs it in that instance, embeds
// its editor, and keeps the setting in Marvo.fxp and the window state in the registry.
//
// Where the setting lives: Marvo.fxp in the player's folder; when that cannot be written (a protected
// program folder), a per-user copy in the user's settings folder (Zentrova/Marvo/Marvo.fxp) instead. A save
// that reaches the player's folder removes the per-user copy, so whichever of the two exists last holds
// the setting saved last, and loading prefers the per-user copy. Files are replaced atomically. A file that
// could not be loaded is kept aside as "<name>.rejected" before a new one is written in its place.
#include <string>

#include "adapter/SamplePlanes.h"
#include "platform/Forms.h"

class TVstHost;
class TVstPlugIn;
class TSmallEQModule;

class TFmWinAmpVST : public TForm
{
public:
    // [host-main] Reads the declaration with OwnerWindow as the window's owner, then runs FormCreate.
    TFmWinAmpVST(TComponent* AOwner, TNativeHandle OwnerWindow);
    ~TFmWinAmpVST() override;

    // Components of the declaration, in order; owned by the window.
    TVstHost* VstHost = nullptr;
    TTimer* Timer = nullptr;
    // The equaliser that the window created last; null once its instance was closed (the module frees
    // itself on effClose).
    TSmallEQModule* EQModule = nullptr;
    // The planes of ModifySamples, reserved at creation for stereo blocks of up to kReservedFrames frames.
    TSamplePlanes SamplePlanes;
    static constexpr std::size_t kReservedFrames = 8192;

    // [host-main] Handlers of the declaration. FormCreate keeps the message of an error it meets (the window
    // exists regardless) for its creator to show; see TakeCreationError.
    void FormCreate(TComponent* Sender);
    void TimerTimer(TComponent* Sender);
    // [host-main] Creates a new equaliser and runs it in instance 0 with its editor in this window, sizes the
    // window to the editor and loads the stored setting. Raises what loading the setting raised. Takes the
    // adapter lock only to exchange the hosted effect; waits and editor work happen outside it.
    void InitPlugin();
    // [host-main] The message of the error FormCreate met, "" when none; cleared by the call, so that it is
    // shown once.
    std::string TakeCreationError();

    // [host-main] Writes the stored setting of instance 0 (see the header comment); raises EMarvoError
    // when neither place can be written.
    void SaveSetting();
    // The file the next InitPlugin loads, or "" when no setting is stored.
    static std::string SettingFileToLoad();
    // Marvo.fxp in the player's folder, and the per-user copy ("" when the user has no settings folder).
    static std::string PlayerSettingFile();
    static std::string UserSettingFile();

    static const TFormDeclaration& FormDeclaration();

private:
    TVstPlugIn& Instance() const;
    // The setting file that failed to load at creation, kept aside before the next save; "" when none.
    std::string FRejectedSettingFile;
    std::string FCreationError;
};

// [host-main] The window's shutdown: window state to the registry, hide, stop the timer, save the setting,
// then ReleaseHostWindow. The teardown runs even when saving fails; a failed save is raised after the window
// is freed.
void CloseHostWindow(TFmWinAmpVST*& Window);
// [host-main] Closes the editor, deactivates and unloads the instance (the equaliser frees itself on
// effClose), frees the window and nulls Window; in that order, because the instance refers to the
// equaliser's effect record. Writes nothing and shows nothing. Call with the adapter lock held or with the
// window not published.
void ReleaseHostWindow(TFmWinAmpVST*& Window);

// Registry key of the window state (the same key; the registry ignores case).
inline constexpr const char* kWindowStateReadKey = "SOFTWARE\\Zentrova\\Marvo\\WinAmp";
inline constexpr const char* kWindowStateWriteKey = "Software\\Zentrova\\Marvo\\WinAmp";
