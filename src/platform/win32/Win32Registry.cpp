// Win32 registry access through the system's registry functions.
// Every function here runs on the host's or player's UI thread ([host-main]) unless it is tagged otherwise.
#include "platform/win32/Win32Api.h"

#include "platform/Exceptions.h"
#include "platform/Registry.h"

using namespace Win32;

struct TRegistry::TImpl
{
    HKEY Key = nullptr;
    bool Writable = false;
};

namespace
{

HKEY RootOf(TRegistryRoot R)
{
    return R == TRegistryRoot::rrCurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

// Keys are paths from the root; one leading backslash is allowed.
std::wstring KeyPath(const std::string& Key)
{
    return Widen(!Key.empty() && Key.front() == '\\' ? Key.substr(1) : Key);
}

[[noreturn]] void InvalidType(const std::string& Name)
{
    throw EMarvoError("Invalid data type for '" + Name + "'");
}

} // namespace

TRegistry::TRegistry() : FImpl(std::make_unique<TImpl>()) {}
TRegistry::~TRegistry()
{
    CloseKey();
}

// [host-main]
bool TRegistry::OpenKeyReadOnly(const std::string& Key)
{
    CloseKey();
    HKEY K = nullptr;
    if (Key.empty() || RegOpenKeyExW(RootOf(FRoot), KeyPath(Key).c_str(), 0, KEY_READ, &K) != ERROR_SUCCESS)
        return false;
    FImpl->Key = K;
    FImpl->Writable = false;
    return true;
}

// [host-main]
bool TRegistry::OpenKey(const std::string& Key, bool CanCreate)
{
    CloseKey();
    if (Key.empty())
        return false;
    HKEY K = nullptr;
    const std::wstring Path = KeyPath(Key);
    const LONG R = CanCreate ? RegCreateKeyExW(RootOf(FRoot), Path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &K, nullptr)
                             : RegOpenKeyExW(RootOf(FRoot), Path.c_str(), 0, KEY_ALL_ACCESS, &K);
    if (R != ERROR_SUCCESS)
        return false;
    FImpl->Key = K;
    FImpl->Writable = true;
    return true;
}

// [host-main]
void TRegistry::CloseKey()
{
    if (FImpl->Key)
        RegCloseKey(FImpl->Key);
    FImpl->Key = nullptr;
    FImpl->Writable = false;
}

// [host-main]
bool TRegistry::KeyExists(const std::string& Key)
{
    HKEY K = nullptr;
    if (Key.empty() || RegOpenKeyExW(RootOf(FRoot), KeyPath(Key).c_str(), 0, KEY_READ, &K) != ERROR_SUCCESS)
        return false;
    RegCloseKey(K);
    return true;
}

// [host-main]
bool TRegistry::DeleteKey(const std::string& Key)
{
    if (Key.empty())
        return false;
    const std::wstring Path = KeyPath(Key);
    RegDeleteTreeW(RootOf(FRoot), Path.c_str());
    return RegDeleteKeyW(RootOf(FRoot), Path.c_str()) == ERROR_SUCCESS || !KeyExists(Key);
}

// [host-main]
bool TRegistry::ValueExists(const std::string& Name) const
{
    return FImpl->Key &&
           RegQueryValueExW(FImpl->Key, Widen(Name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// [host-main]
std::int32_t TRegistry::ReadInteger(const std::string& Name) const
{
    DWORD Type = 0, Value = 0, Size = sizeof Value;
    if (!FImpl->Key ||
        RegQueryValueExW(FImpl->Key, Widen(Name).c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(&Value), &Size) !=
            ERROR_SUCCESS ||
        Type != REG_DWORD || Size != sizeof Value)
        InvalidType(Name);
    return static_cast<std::int32_t>(Value);
}

// [host-main]
std::string TRegistry::ReadString(const std::string& Name) const
{
    if (!FImpl->Key)
        InvalidType(Name);
    const std::wstring N = Widen(Name);
    DWORD Type = 0, Size = 0;
    if (RegQueryValueExW(FImpl->Key, N.c_str(), nullptr, &Type, nullptr, &Size) != ERROR_SUCCESS)
        return {};
    if (Type != REG_SZ && Type != REG_EXPAND_SZ)
        InvalidType(Name);
    std::wstring Text(Size / sizeof(wchar_t) + 1, L'\0');
    Size = static_cast<DWORD>(Text.size() * sizeof(wchar_t));
    if (RegQueryValueExW(FImpl->Key, N.c_str(), nullptr, &Type, reinterpret_cast<BYTE*>(Text.data()), &Size) !=
        ERROR_SUCCESS)
        InvalidType(Name);
    Text.resize(Size / sizeof(wchar_t));
    while (!Text.empty() && Text.back() == L'\0')
        Text.pop_back();
    return Narrow(Text);
}

// [host-main]
void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value)
{
    const DWORD V = static_cast<DWORD>(Value);
    if (!FImpl->Key || !FImpl->Writable ||
        RegSetValueExW(FImpl->Key, Widen(Name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&V), sizeof V) !=
            ERROR_SUCCESS)
        throw EMarvoError("Failed to set data for '" + Name + "'");
}

// [host-main]
void TRegistry::WriteString(const std::string& Name, const std::string& Value)
{
    const std::wstring V = Widen(Value);
    if (!FImpl->Key || !FImpl->Writable ||
        RegSetValueExW(FImpl->Key, Widen(Name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(V.c_str()),
                       static_cast<DWORD>((V.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
        throw EMarvoError("Failed to set data for '" + Name + "'");
}
