// The registry of the POSIX builds (headless and X11): one text file per key under $XDG_CONFIG_HOME/marvo/registry
// (or ~/.config/...), one folder per root. Key names map to lower-case file names, so they are case-insensitive as on Windows, and
// every key name is checked so that nothing is read or written outside that folder.
// Every function here runs on the host's or player's UI thread ([host-main]) unless it is tagged otherwise.
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include <unistd.h>

#include "platform/Exceptions.h"
#include "platform/Registry.h"

namespace fs = std::filesystem;

namespace
{

struct TValue
{
    bool IsString = false;
    std::string Name;
    std::string Text;
    std::int32_t Number = 0;
};

std::string Lower(std::string S)
{
    for (char& C : S)
        C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
    return S;
}

// [any] $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; nothing without either.
std::optional<fs::path> RegistryFolder(TRegistryRoot Root)
{
    fs::path Base;
    const char* Xdg = std::getenv("XDG_CONFIG_HOME");
    const char* Home = std::getenv("HOME");
    if (Xdg && Xdg[0] == '/')
        Base = Xdg;
    else if (Home && Home[0] == '/')
        Base = fs::path(Home) / ".config";
    else
        return std::nullopt;
    return Base / "marvo" / "registry" / (Root == TRegistryRoot::rrCurrentUser ? "hkcu" : "hklm");
}

// The lower-case components of a key path, or nothing when the name could leave the registry folder or is
// not a key name: empty components, "." and "..", '/' and NUL are refused. One leading and one trailing
// backslash are allowed.
std::optional<std::vector<std::string>> SplitKey(const std::string& Key)
{
    std::string K = Key;
    if (!K.empty() && K.front() == '\\')
        K.erase(0, 1);
    if (!K.empty() && K.back() == '\\')
        K.pop_back();
    if (K.empty())
        return std::nullopt;
    std::vector<std::string> Parts;
    std::size_t Start = 0;
    while (true)
    {
        const std::size_t End = K.find('\\', Start);
        const std::string Part = K.substr(Start, End == std::string::npos ? std::string::npos : End - Start);
        if (Part.empty() || Part == "." || Part == ".." || Part.find('/') != std::string::npos ||
            Part.find('\0') != std::string::npos || Part.size() > 255)
            return std::nullopt;
        Parts.push_back(Lower(Part));
        if (End == std::string::npos)
            break;
        Start = End + 1;
    }
    return Parts;
}

fs::path KeyFile(const fs::path& Folder, const std::vector<std::string>& Parts, std::size_t Count)
{
    fs::path P = Folder;
    for (std::size_t I = 0; I + 1 < Count; ++I)
        P /= Parts[I];
    return P / (Parts[Count - 1] + ".key");
}

// Where a key lives: its root's registry folder, its lower-case path components and its value file.
struct TKeyPlace
{
    fs::path Folder;
    std::vector<std::string> Parts;
    fs::path File;
};

// [any] The place of Key under Root, or nothing when there is no registry folder or Key is not a
// key name.
std::optional<TKeyPlace> KeyPlace(TRegistryRoot Root, const std::string& Key)
{
    auto Folder = RegistryFolder(Root);
    auto Parts = SplitKey(Key);
    if (!Folder || !Parts)
        return std::nullopt;
    fs::path File = KeyFile(*Folder, *Parts, Parts->size());
    return TKeyPlace{std::move(*Folder), std::move(*Parts), std::move(File)};
}

std::string Escape(const std::string& S)
{
    std::string R;
    for (char C : S)
    {
        switch (C)
        {
        case '\\': R += "\\\\"; break;
        case '\t': R += "\\t"; break;
        case '\n': R += "\\n"; break;
        case '\r': R += "\\r"; break;
        default: R += C;
        }
    }
    return R;
}

std::string Unescape(const std::string& S)
{
    std::string R;
    for (std::size_t I = 0; I < S.size(); ++I)
    {
        if (S[I] != '\\' || I + 1 == S.size())
        {
            R += S[I];
            continue;
        }
        const char N = S[++I];
        R += N == 't' ? '\t' : N == 'n' ? '\n' : N == 'r' ? '\r' : N;
    }
    return R;
}

// A damaged line is skipped; the other values stay readable.
std::vector<TValue> LoadValues(const fs::path& File)
{
    std::vector<TValue> Values;
    std::ifstream In(File);
    std::string Line;
    while (std::getline(In, Line))
    {
        const auto T1 = Line.find('\t');
        const auto T2 = T1 == std::string::npos ? std::string::npos : Line.find('\t', T1 + 1);
        if (T2 == std::string::npos || T1 != 1 || (Line[0] != 'i' && Line[0] != 's'))
            continue;
        TValue V;
        V.IsString = Line[0] == 's';
        V.Name = Unescape(Line.substr(2, T2 - 2));
        const std::string Data = Line.substr(T2 + 1);
        if (V.IsString)
            V.Text = Unescape(Data);
        else
        {
            char* End = nullptr;
            const long long N = std::strtoll(Data.c_str(), &End, 10);
            if (End == Data.c_str() || *End != '\0' || N < INT32_MIN || N > INT32_MAX)
                continue;
            V.Number = static_cast<std::int32_t>(N);
        }
        Values.push_back(V);
    }
    return Values;
}

// Writes through a temporary file in the same folder, so a key file is never left half written.
bool SaveValues(const fs::path& File, const std::vector<TValue>& Values)
{
    const fs::path Temp = File.string() + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream Out(Temp, std::ios::trunc);
        if (!Out)
            return false;
        for (const TValue& V : Values)
            Out << (V.IsString ? 's' : 'i') << '\t' << Escape(V.Name) << '\t'
                << (V.IsString ? Escape(V.Text) : std::to_string(V.Number)) << '\n';
        if (!Out.flush())
            return false;
    }
    std::error_code Ec;
    fs::rename(Temp, File, Ec);
    if (Ec)
        fs::remove(Temp, Ec);
    return !Ec;
}

const TValue* FindValue(const std::vector<TValue>& Values, const std::string& Name)
{
    const std::string L = Lower(Name);
    for (const TValue& V : Values)
        if (Lower(V.Name) == L)
            return &V;
    return nullptr;
}

} // namespace

struct TRegistry::TImpl
{
    std::optional<fs::path> File;
    bool Writable = false;
};

TRegistry::TRegistry() : FImpl(std::make_unique<TImpl>()) {}
TRegistry::~TRegistry() = default;

// [host-main]
bool TRegistry::OpenKeyReadOnly(const std::string& Key)
{
    CloseKey();
    const auto Place = KeyPlace(FRoot, Key);
    std::error_code Ec;
    if (!Place || !fs::is_regular_file(Place->File, Ec))
        return false;
    FImpl->File = Place->File;
    FImpl->Writable = false;
    return true;
}

// [host-main] Creating a key creates the keys above it, as on Windows.
bool TRegistry::OpenKey(const std::string& Key, bool CanCreate)
{
    CloseKey();
    const auto Place = KeyPlace(FRoot, Key);
    if (!Place)
        return false;
    std::error_code Ec;
    if (!fs::is_regular_file(Place->File, Ec))
    {
        if (!CanCreate)
            return false;
        for (std::size_t N = 1; N <= Place->Parts.size(); ++N)
        {
            const fs::path F = KeyFile(Place->Folder, Place->Parts, N);
            fs::create_directories(F.parent_path(), Ec);
            if (!fs::is_regular_file(F, Ec) && !SaveValues(F, {}))
                return false;
        }
    }
    FImpl->File = Place->File;
    FImpl->Writable = true;
    return true;
}

// [host-main]
void TRegistry::CloseKey()
{
    FImpl->File.reset();
    FImpl->Writable = false;
}

// [host-main]
bool TRegistry::KeyExists(const std::string& Key)
{
    const auto Place = KeyPlace(FRoot, Key);
    std::error_code Ec;
    return Place && fs::is_regular_file(Place->File, Ec);
}

// [host-main]
bool TRegistry::DeleteKey(const std::string& Key)
{
    const auto Place = KeyPlace(FRoot, Key);
    std::error_code Ec;
    if (!Place || !fs::is_regular_file(Place->File, Ec))
        return false;
    if (FImpl->File == Place->File)
        CloseKey();
    fs::remove_all(Place->File.parent_path() / Place->Parts.back(), Ec);
    return fs::remove(Place->File, Ec);
}

// [host-main]
bool TRegistry::ValueExists(const std::string& Name) const
{
    return FImpl->File && FindValue(LoadValues(*FImpl->File), Name) != nullptr;
}

// [host-main]
std::int32_t TRegistry::ReadInteger(const std::string& Name) const
{
    if (FImpl->File)
    {
        const auto Values = LoadValues(*FImpl->File);
        if (const TValue* V = FindValue(Values, Name); V && !V->IsString)
            return V->Number;
    }
    throw EMarvoError("Invalid data type for '" + Name + "'");
}

// [host-main]
std::string TRegistry::ReadString(const std::string& Name) const
{
    if (!FImpl->File)
        throw EMarvoError("Invalid data type for '" + Name + "'");
    const auto Values = LoadValues(*FImpl->File);
    const TValue* V = FindValue(Values, Name);
    if (!V)
        return {};
    if (!V->IsString)
        throw EMarvoError("Invalid data type for '" + Name + "'");
    return V->Text;
}

namespace
{

void WriteValue(const std::optional<fs::path>& File, bool Writable, TValue NewValue)
{
    if (!File || !Writable)
        throw EMarvoError("Failed to set data for '" + NewValue.Name + "'");
    auto Values = LoadValues(*File);
    const std::string L = Lower(NewValue.Name);
    bool Replaced = false;
    for (TValue& V : Values)
        if (Lower(V.Name) == L)
        {
            NewValue.Name = V.Name; // the name keeps the case it was created with
            V = NewValue;
            Replaced = true;
        }
    if (!Replaced)
        Values.push_back(NewValue);
    if (!SaveValues(*File, Values))
        throw EMarvoError("Failed to set data for '" + NewValue.Name + "'");
}

} // namespace

// [host-main]
void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value)
{
    WriteValue(FImpl->File, FImpl->Writable, TValue{false, Name, {}, Value});
}

// [host-main]
void TRegistry::WriteString(const std::string& Name, const std::string& Value)
{
    WriteValue(FImpl->File, FImpl->Writable, TValue{true, Name, Value, 0});
}
