#pragma once
// TFmWinAmpVST: the adapter's one window, the tool window "Marvo" owned by the player's window. It views the
// adapter's engine: starts the equaliser there, embeds its editor, loads the stored setting into it, and
// keeps the window state in the registry.
#include <string>

#include "platform/Forms.h"

class TAdapterEngine;

class TFmWinAmpVST : public TForm
{
public:
    // [host-main] Reads the declaration with OwnerWindow as the window's owner, then runs FormCreate. The
    // engine outlives the window.
    TFmWinAmpVST(TComponent* AOwner, TNativeHandle OwnerWindow, TAdapterEngine& Engine);
    ~TFmWinAmpVST() override;

    // Components of the declaration, in order; owned by the window.
    TTimer* Timer = nullptr;

    // [host-main] Handlers of the declaration. FormCreate keeps the message of an error it meets (the window
    // exists regardless) for its creator to show; see TakeCreationError.
    void FormCreate(TComponent* Sender);
    void TimerTimer(TComponent* Sender);
    // [host-main] Has the engine start a new equaliser, hands it the editor's view settings kept in the
    // registry, shows its editor in this window, sizes the window to the editor and loads the stored setting.
    // Raises what loading the setting raised.
    void InitPlugin();
    // [host-main] The message of the error FormCreate met, "" when none; cleared by the call, so that it is
    // shown once.
    std::string TakeCreationError();
    // [host-main] Writes the window state (visibility, left and top edges, and the editor's view: the zoom the
    // user chose, when one was, and whether the response view is shown) to the registry; raises what the
    // registry raises.
    void StoreWindowState();

    static const TFormDeclaration& FormDeclaration();

private:
    // [host-main] The editor's view settings from the registry to the equaliser, zoom 0 (none chosen) and the
    // response view hidden and the reference engine where no valid value is stored. Sent even then, so that
    // the window, not the equaliser's own per-user preference, keeps them.
    void HandOverView();

    TAdapterEngine& FEngine;
    std::string FCreationError;
};

// Registry key of the window state (the same key; the registry ignores case).
inline constexpr const char* kWindowStateReadKey = "SOFTWARE\\Zentrova\\Marvo\\WinAmp";
inline constexpr const char* kWindowStateWriteKey = "Software\\Zentrova\\Marvo\\WinAmp";
