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

#include "platform/Forms.h"

class TVstHost;
class TVstPlugIn;
class TSmallEQModule;

class TFmWinAmpVST : public TForm
{
public:
    // [window thread] Reads the declaration with OwnerWindow as the window's owner, then runs FormCreate.
    TFmWinAmpVST(TComponent* AOwner, TNativeHandle OwnerWindow);
    ~TFmWinAmpVST() override;

    // Components of the declaration, in order; owned by the window.
    TVstHost* VstHost = nullptr;
    TTimer* Timer = nullptr;
    // The equaliser that the window created last; null once its instance was closed (the module frees
    // itself on effClose).
    TSmallEQModule* EQModule = nullptr;

    // [window thread] Handlers of the declaration.
    void FormCreate(TComponent* Sender);
    void TimerTimer(TComponent* Sender);
    // [window thread] Creates a new equaliser and runs it in instance 0 with its editor in this window,
    // sizes the window to the editor and loads the stored setting. Raises what loading the setting raised.
    void InitPlugin();

    // [window thread] Writes the stored setting of instance 0 (see the header comment); raises EMarvoError
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
};

// [window thread] The window's shutdown: window state to the registry, hide, stop the timer, save the
// setting, close the editor, deactivate and unload the instance, free the window and null Window. The
// teardown runs even when saving fails; a failed save is raised after the window is freed.
void CloseHostWindow(TFmWinAmpVST*& Window);

// Registry key of the window state (the same key; the registry ignores case).
inline constexpr const char* kWindowStateReadKey = "SOFTWARE\\Zentrova\\Marvo\\WinAmp";
inline constexpr const char* kWindowStateWriteKey = "Software\\Zentrova\\Marvo\\WinAmp";
