#pragma once
// Registry access (Win32: the real registry; headless: one file per key under $XDG_CONFIG_HOME or
// ~/.config, so settings survive a restart). Key names are case-insensitive. [window thread]
#include <cstdint>
#include <memory>
#include <string>

enum class TRegistryRoot { rrCurrentUser, rrLocalMachine };

class TRegistry
{
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    TRegistryRoot RootKey() const { return FRoot; }
    void SetRootKey(TRegistryRoot Root) { FRoot = Root; }

    // Opens Key read-only; false when it does not exist.
    bool OpenKeyReadOnly(const std::string& Key);
    // Opens Key for writing, creating it when CanCreate; false when that fails.
    bool OpenKey(const std::string& Key, bool CanCreate);
    void CloseKey();

    bool ValueExists(const std::string& Name) const;
    // Reads raise EMarvoError ("Invalid data type" / missing value) like the toolkit they stand for.
    std::int32_t ReadInteger(const std::string& Name) const;
    std::string ReadString(const std::string& Name) const;
    void WriteInteger(const std::string& Name, std::int32_t Value);
    void WriteString(const std::string& Name, const std::string& Value);

    struct TImpl;

private:
    TRegistryRoot FRoot = TRegistryRoot::rrCurrentUser;
    std::unique_ptr<TImpl> FImpl;
};
