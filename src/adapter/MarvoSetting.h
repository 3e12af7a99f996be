#pragma once
// TMarvoSetting: where the adapter keeps the equaliser's setting between runs.
//
// Marvo.fxp in the player's folder; when that cannot be written (a protected program folder), a per-user
// copy in the user's settings folder (Zentrova/Marvo/Marvo.fxp) instead. A save that reaches the player's
// folder removes the per-user copy, so whichever of the two exists last holds the setting saved last, and
// loading prefers the per-user copy. Files are replaced atomically. A file that could not be loaded is kept
// aside as "<name>.rejected" before a new one is written in its place.
#include <string>

class TVstPlugIn;

class TMarvoSetting
{
public:
    // [host-main] Loads the stored setting into Instance; nothing when none is stored. Raises what loading
    // raised, and then keeps the file to be set aside at the next Save.
    void Load(TVstPlugIn& Instance);
    // [host-main] Writes Instance's setting (see above); raises EMarvoError when neither place can be written.
    void Save(TVstPlugIn& Instance);

    // [any] The file the next Load reads, or "" when no setting is stored.
    static std::string FileToLoad();
    // [any] Marvo.fxp in the player's folder, and the per-user copy ("" when the user has no settings folder).
    static std::string PlayerFile();
    static std::string UserFile();

private:
    // The setting file that failed to load, kept aside before the next save; "" when none.
    std::string FRejectedFile;
};
