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
    // [host-main] Has the engine start a new equaliser, shows its editor in this window, sizes the window to
    // the editor and loads the stored setting. Raises what loading the setting raised.
    void InitPlugin();
    // [host-main] The message of the error FormCreate met, "" when none; cleared by the call, so that it is
    // shown once.
    std::string TakeCreationError();
    // [host-main] Writes the window state (visibility, left and top edges) to the registry; raises what the
    // registry raises.
    void StoreWindowState();

    static const TFormDeclaration& FormDeclaration();

private:
    TAdapterEngine& FEngine;
    std::string FCreationError;
};

// Registry key of the window state (the same key; the registry ignores case).
inline constexpr const char* kWindowStateReadKey = "SOFTWARE\\Zentrova\\Marvo\\WinAmp";
inline constexpr const char* kWindowStateWriteKey = "Software\\Zentrova\\Marvo\\WinAmp";
