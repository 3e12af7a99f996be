#include "adapter/MarvoSetting.h"

#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"
#include "platform/System.h"
#include "vsthost/DVSTHost.h"

namespace
{

constexpr const char* kSettingFileName = "Marvo.fxp";
constexpr const char* kRejectedSuffix = ".rejected";

// [any] The setting's folder inside the user's settings folder, with a trailing separator.
std::string UserSettingFolder()
{
    const char Separator = PathSeparator();
    return std::string("Zentrova") + Separator + "Marvo" + Separator;
}

} // namespace

std::string TMarvoSetting::PlayerFile()
{
    return ExtractFilePath(ExecutablePath()) + kSettingFileName;
}

std::string TMarvoSetting::UserFile()
{
    const std::string Folder = UserSettingsFolder();
    return Folder.empty() ? std::string() : Folder + UserSettingFolder() + kSettingFileName;
}

std::string TMarvoSetting::FileToLoad()
{
    const std::string User = UserFile();
    if (!User.empty() && FileExists(User))
        return User;
    const std::string Player = PlayerFile();
    return FileExists(Player) ? Player : std::string();
}

void TMarvoSetting::Load(TVstPlugIn& Instance)
{
    const std::string Setting = FileToLoad();
    if (Setting.empty())
        return;
    try
    {
        Instance.LoadPreset(Setting);
    }
    catch (...)
    {
        FRejectedFile = Setting;
        throw;
    }
}

void TMarvoSetting::Save(TVstPlugIn& Instance)
{
    std::ostringstream Stream(std::ios::binary);
    Instance.SavePreset(Stream);
    const std::string Bytes = Stream.str();

    if (!FRejectedFile.empty())
    {
        RenameFileReplacing(FRejectedFile, FRejectedFile + kRejectedSuffix);
        FRejectedFile.clear();
    }
    const std::string Player = PlayerFile();
    const std::string User = UserFile();
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
