#pragma once
// Registry access (Win32: the real registry; headless: one file per key under $XDG_CONFIG_HOME or
// ~/.config, so settings survive a restart). Key names are case-insensitive. [host-main]
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

    // Keys are paths from the root ("Software\\Zentrova\\Marvo"); opening a key closes the one opened before.
    // Opens Key read-only; false when it does not exist.
    bool OpenKeyReadOnly(const std::string& Key);
    // Opens Key for writing, creating it when CanCreate; false when that fails.
    bool OpenKey(const std::string& Key, bool CanCreate);
    void CloseKey();
    bool KeyExists(const std::string& Key);
    // Deletes Key with its values and subkeys; false when it could not be deleted.
    bool DeleteKey(const std::string& Key);

    bool ValueExists(const std::string& Name) const;
    // ReadInteger raises EMarvoError "Invalid data type for '<Name>'" when the value is missing or not an
    // integer; ReadString answers "" for a missing value and raises the same error for a non-string one.
    // Writes raise "Failed to set data for '<Name>'" when no key is open for writing.
    std::int32_t ReadInteger(const std::string& Name) const;
    std::string ReadString(const std::string& Name) const;
    void WriteInteger(const std::string& Name, std::int32_t Value);
    void WriteString(const std::string& Name, const std::string& Value);

    struct TImpl;

private:
    TRegistryRoot FRoot = TRegistryRoot::rrCurrentUser;
    std::unique_ptr<TImpl> FImpl;
};
