#include "presets/PresetFormats.h"

#include "dsp/DMath.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace
{

// The signature of the player's preset files: text, 0x1A, "!--".
constexpr char kPlayerSignature[] = "Winamp EQ library file v1.1\x1A!--";
constexpr std::size_t kPlayerSignatureSize = sizeof kPlayerSignature - 1;
constexpr std::size_t kPlayerNameSize = 257;
constexpr std::size_t kPlayerRecordSize = kPlayerNameSize + 10 + 1;
constexpr std::uint8_t kPlayerByteMax = 63;
// Preset files are a few kilobytes; anything beyond this is no preset.
constexpr std::streamoff kMaximumFileSize = 16 << 20;

// The equaliser's bands reach this far; files asking for more are fitted as closely as they can be.
constexpr double kBandGainLimitDb = 15.0;
constexpr double kHighestBandFrequency = 20000.0;
// Slope S of a shelf that gives neither Q nor a slope.
constexpr double kDefaultShelfSlope = 0.9;
constexpr double kDefaultPeakQ = 0.7071;

std::string Where(const std::string& FileName, int Line)
{
    return FileName + ", line " + std::to_string(Line) + ": ";
}

std::string Trim(const std::string& S)
{
    const auto First = S.find_first_not_of(" \t\r\n");
    if (First == std::string::npos)
        return {};
    return S.substr(First, S.find_last_not_of(" \t\r\n") - First + 1);
}

std::vector<std::string> Tokens(const std::string& S)
{
    std::vector<std::string> T;
    std::size_t At = 0;
    while (true)
    {
        At = S.find_first_not_of(" \t\r\n", At);
        if (At == std::string::npos)
            return T;
        const std::size_t End = S.find_first_of(" \t\r\n", At);
        T.push_back(S.substr(At, End == std::string::npos ? std::string::npos : End - At));
        At = End;
    }
}

// A decimal number ("," as decimal mark, one leading "+", an attached unit Suffix allowed); nothing when the
// token is no finite number.
std::optional<double> ReadNumber(std::string Token, const char* Suffix = nullptr)
{
    std::replace(Token.begin(), Token.end(), ',', '.');
    if (Suffix)
    {
        const std::size_t n = std::strlen(Suffix);
        if (Token.size() > n && Token.compare(Token.size() - n, n, Suffix) == 0)
            Token.resize(Token.size() - n);
    }
    if (!Token.empty() && Token[0] == '+')
        Token.erase(0, 1);
    if (Token.empty() || Token[0] == '+')
        return std::nullopt;
    double V = 0.0;
    const char* End = Token.data() + Token.size();
    const auto R = std::from_chars(Token.data(), End, V, std::chars_format::general);
    if (R.ec != std::errc() || R.ptr != End || !(V - V == 0.0))
        return std::nullopt;
    return V;
}

// The number of a field: raises when it is missing or does not parse.
double FieldNumber(const std::vector<std::string>& T, std::size_t At, const std::string& Field, const char* Suffix,
                   const std::string& Context)
{
    if (At >= T.size())
        throw EPresetError(Context + Field + " has no value");
    const std::optional<double> V = ReadNumber(T[At], Suffix);
    if (!V)
        throw EPresetError(Context + Field + " is not a number: '" + T[At] + "'");
    return *V;
}

// The section a filter line's type names; nothing (with a warning when it is a filter the bands cannot make)
// for a filter that is off, "None" or left out. i steps past "ON" and the type.
std::optional<TPresetFilterType> ReadFilterType(const std::vector<std::string>& T, std::size_t& i,
                                                const std::string& Context, std::vector<std::string>& Warnings)
{
    if (i < T.size() && T[i] == "OFF")
        return std::nullopt;
    if (i < T.size() && T[i] == "ON")
        ++i;
    if (i >= T.size())
        throw EPresetError(Context + "the filter has no type");
    const std::string& Type = T[i++];
    if (Type == "None")
        return std::nullopt;
    if (Type == "PK" || Type == "PEQ" || Type == "Modal")
        return TPresetFilterType::pftPeak;
    if (Type == "LSC" || Type == "LSQ" || Type == "LS")
        return TPresetFilterType::pftLowShelf;
    if (Type == "HSC" || Type == "HSQ" || Type == "HS")
        return TPresetFilterType::pftHighShelf;
    const bool Known = Type == "LP" || Type == "HP" || Type == "BP" || Type == "NO" || Type == "AP" ||
                       Type == "LPQ" || Type == "HPQ";
    Warnings.push_back(Context + (Known ? "a filter of type " + Type + " cannot be made from the bands; left out"
                                        : "unknown filter type '" + Type + "'; left out"));
    return std::nullopt;
}

// A shelf's slope right after its type: "12 dB", "12dB", "6dB". i steps past it when it is there.
void ReadShelfSlope(const std::vector<std::string>& T, std::size_t& i, const std::string& Context, TPresetFilter& F)
{
    if (F.FilterType == TPresetFilterType::pftPeak || i >= T.size())
        return;
    const std::optional<double> S = ReadNumber(T[i], "dB");
    if (!S)
        return;
    if (!(*S > 0.0))
        throw EPresetError(Context + "the shelf slope must be above 0 dB: '" + T[i] + "'");
    F.Slope = *S / 12.0;
    ++i;
    if (i < T.size() && T[i] == "dB")
        ++i;
}

// The keyed fields from i on ("Fc", "Gain", "Q", "BW [Oct]"), checked; answers the frequency as written.
std::string ReadFilterFields(const std::vector<std::string>& T, std::size_t i, const std::string& Context,
                             TPresetFilter& F)
{
    std::string FrequencyText;
    for (; i < T.size(); ++i)
    {
        const std::string& K = T[i];
        if (K == "Fc")
        {
            F.Frequency = FieldNumber(T, ++i, "the frequency", "Hz", Context);
            FrequencyText = T[i];
        }
        else if (K == "Gain")
            F.GainDb = FieldNumber(T, ++i, "the gain", "dB", Context);
        else if (K == "Q")
            F.Q = FieldNumber(T, ++i, "Q", nullptr, Context);
        else if (K == "BW")
        {
            if (i + 1 < T.size() && T[i + 1] == "Oct")
                ++i;
            F.Octaves = FieldNumber(T, ++i, "the bandwidth", nullptr, Context);
            if (!(F.Octaves > 0.0))
                throw EPresetError(Context + "the bandwidth must be above 0 octaves: '" + T[i] + "'");
        }
    }
    if (FrequencyText.empty())
        throw EPresetError(Context + "the filter has no frequency (Fc)");
    if (!(F.Frequency > 0.0))
        throw EPresetError(Context + "the frequency must be above 0 Hz: " + FrequencyText);
    if (std::find(T.begin(), T.end(), "Q") != T.end() && !(F.Q > 0.0))
        throw EPresetError(Context + "Q must be above 0");
    return FrequencyText;
}

// Reads the value of a "Filter…:" line; answers whether a filter was read into F.
bool ReadFilterLine(const std::string& Value, int Line, const std::string& FileName, const TPresetReadOptions& Options,
                    std::vector<std::string>& Warnings, TPresetFilter& F)
{
    const std::string Context = Where(FileName, Line);
    const std::vector<std::string> T = Tokens(Value);
    std::size_t i = 0;
    const std::optional<TPresetFilterType> Type = ReadFilterType(T, i, Context, Warnings);
    if (!Type)
        return false;
    F.FilterType = *Type;
    const bool CornerShelf = Options.ShelfCorner && (T[i - 1] == "LS" || T[i - 1] == "HS");
    F.Line = Line;
    ReadShelfSlope(T, i, Context, F);
    const std::string FrequencyText = ReadFilterFields(T, i, Context, F);
    if (F.Q <= 0.0 && F.Octaves <= 0.0 && F.Slope <= 0.0)
    {
        if (F.FilterType == TPresetFilterType::pftPeak)
        {
            F.Q = kDefaultPeakQ;
            Warnings.push_back(Context + "the filter gives no Q; read as Q 0.71");
        }
        else
            F.Slope = kDefaultShelfSlope;
    }
    if (F.Frequency >= 0.5 * Options.SampleRate)
    {
        Warnings.push_back(Context + "a filter at or above half the sample rate (" + FrequencyText + " Hz) is left out");
        return false;
    }
    if (CornerShelf)
    {
        // A second-order shelf's two corners lie a factor 10^(|gain|/40) apart, its centre halfway between (in
        // log-frequency); the corner named is the one on the side that stays at 0 dB.
        const double Half = static_cast<double>(Extended::Power(10.0L, std::fabs(F.GainDb) / 80.0));
        F.Frequency = F.FilterType == TPresetFilterType::pftLowShelf ? F.Frequency / Half : F.Frequency * Half;
    }
    if (F.Frequency > kHighestBandFrequency)
        Warnings.push_back(Context + "the frequency lies above the bands' 20 kHz; fitted as closely as they allow");
    if (std::fabs(F.GainDb) > kBandGainLimitDb)
        Warnings.push_back(Context + "the gain lies beyond the bands' ±15 dB; fitted as closely as they allow");
    return true;
}

// Where the first malformed UTF-8 sequence of Text starts (overlong forms, surrogates and values above
// U+10FFFF count as malformed); npos when there is none.
std::size_t FirstInvalidUtf8(const std::string& Text)
{
    std::size_t At = 0;
    while (At < Text.size())
    {
        const auto Byte = [&](std::size_t k) { return static_cast<std::uint8_t>(Text[At + k]); };
        const std::uint8_t Lead = Byte(0);
        std::size_t Length = 1;
        std::uint8_t Low = 0x80, High = 0xBF; // the allowed range of the second byte
        if (Lead < 0x80)
        {
            ++At;
            continue;
        }
        if (Lead >= 0xC2 && Lead <= 0xDF)
            Length = 2;
        else if (Lead >= 0xE0 && Lead <= 0xEF)
        {
            Length = 3;
            Low = Lead == 0xE0 ? 0xA0 : 0x80;
            High = Lead == 0xED ? 0x9F : 0xBF;
        }
        else if (Lead >= 0xF0 && Lead <= 0xF4)
        {
            Length = 4;
            Low = Lead == 0xF0 ? 0x90 : 0x80;
            High = Lead == 0xF4 ? 0x8F : 0xBF;
        }
        else
            return At;
        if (At + Length > Text.size() || Byte(1) < Low || Byte(1) > High)
            return At;
        for (std::size_t k = 2; k < Length; ++k)
            if (Byte(k) < 0x80 || Byte(k) > 0xBF)
                return At;
        At += Length;
    }
    return std::string::npos;
}

void AppendUtf8(std::string& Out, char32_t C)
{
    if (C < 0x80)
        Out += static_cast<char>(C);
    else if (C < 0x800)
    {
        Out += static_cast<char>(0xC0 | (C >> 6));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
    else if (C < 0x10000)
    {
        Out += static_cast<char>(0xE0 | (C >> 12));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
    else
    {
        Out += static_cast<char>(0xF0 | (C >> 18));
        Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
        Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
        Out += static_cast<char>(0x80 | (C & 0x3F));
    }
}

// UTF-16 text after its byte-order mark, as UTF-8.
std::string Utf16ToUtf8(const std::vector<std::uint8_t>& Bytes, bool BigEndian, const std::string& FileName)
{
    if (Bytes.size() % 2 != 0)
        throw EPresetError(FileName + ": the UTF-16 text ends in half a character (an odd number of bytes)");
    const auto Unit = [&](std::size_t At) -> char32_t {
        return BigEndian ? (Bytes[At] << 8 | Bytes[At + 1]) : (Bytes[At + 1] << 8 | Bytes[At]);
    };
    std::string Out;
    Out.reserve(Bytes.size() / 2);
    for (std::size_t At = 2; At < Bytes.size(); At += 2)
    {
        char32_t C = Unit(At);
        if (C >= 0xD800 && C <= 0xDFFF)
        {
            const bool Paired = C <= 0xDBFF && At + 3 < Bytes.size() && Unit(At + 2) >= 0xDC00 && Unit(At + 2) <= 0xDFFF;
            if (!Paired)
                throw EPresetError(FileName + ": the UTF-16 text holds a broken surrogate pair at byte " +
                                   std::to_string(At));
            C = 0x10000 + ((C - 0xD800) << 10) + (Unit(At + 2) - 0xDC00);
            At += 2;
        }
        AppendUtf8(Out, C);
    }
    return Out;
}

// Reads the value of a "GraphicEQ:" line into Points.
void ReadGraphicLine(const std::string& Value, int Line, const std::string& FileName, std::vector<TGraphicPoint>& Points)
{
    const std::string Context = Where(FileName, Line);
    std::size_t At = 0;
    while (At <= Value.size())
    {
        const std::size_t End = std::min(Value.find(';', At), Value.size());
        const std::vector<std::string> T = Tokens(Value.substr(At, End - At));
        At = End + 1;
        if (T.empty())
            continue;
        if (T.size() != 2)
        {
            std::string Item;
            for (const std::string& t : T)
                Item += (Item.empty() ? "" : " ") + t;
            throw EPresetError(Context + "a graphic point is not 'frequency gain': '" + Item + "'");
        }
        const std::optional<double> F = ReadNumber(T[0], "Hz");
        if (!F)
            throw EPresetError(Context + "the frequency is not a number: '" + T[0] + "'");
        if (!(*F > 0.0))
            throw EPresetError(Context + "the frequency must be above 0 Hz: " + T[0]);
        const std::optional<double> G = ReadNumber(T[1], "dB");
        if (!G)
            throw EPresetError(Context + "the gain is not a number: '" + T[1] + "'");
        Points.push_back({*F, *G});
    }
}

} // namespace

std::vector<std::uint8_t> ReadPresetFileBytes(const std::string& FileName)
{
    // Through a path of UTF-8 code units, so that Windows opens the file by its wide name (a narrow name
    // goes through the ANSI code page and misses folders such as "Jürgen").
    const std::u8string Utf8Name(FileName.begin(), FileName.end());
    std::ifstream In(std::filesystem::path(Utf8Name), std::ios::binary | std::ios::ate);
    if (!In)
        throw EPresetError(FileName + ": cannot read the file");
    if (In.tellg() > kMaximumFileSize)
        throw EPresetError(FileName + ": the file is too large for a preset");
    In.seekg(0);
    std::vector<std::uint8_t> Bytes((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
    if (In.bad())
        throw EPresetError(FileName + ": cannot read the file");
    return Bytes;
}

bool IsPlayerPresetFile(const std::vector<std::uint8_t>& Bytes)
{
    return Bytes.size() >= kPlayerSignatureSize && std::memcmp(Bytes.data(), kPlayerSignature, kPlayerSignatureSize) == 0;
}

double PlayerByteToDb(std::uint8_t Byte)
{
    return 12.0 - 24.0 * static_cast<double>(Byte) / kPlayerByteMax;
}

std::vector<TPlayerPresetRecord> ReadPlayerPresetRecords(const std::vector<std::uint8_t>& Bytes,
                                                         const std::string& FileName)
{
    std::vector<TPlayerPresetRecord> Records;
    std::size_t At = kPlayerSignatureSize;
    if (At >= Bytes.size())
        throw EPresetError(FileName + ": the file holds no preset");
    for (int Number = 1; At < Bytes.size(); ++Number, At += kPlayerRecordSize)
    {
        const std::size_t Left = Bytes.size() - At;
        if (Left < kPlayerRecordSize)
            throw EPresetError(FileName + ", record " + std::to_string(Number) + ": cut short (" +
                               std::to_string(Left) + " of " + std::to_string(kPlayerRecordSize) + " bytes)");
        TPlayerPresetRecord R;
        const char* Name = reinterpret_cast<const char*>(Bytes.data() + At);
        R.Name.assign(Name, ::strnlen(Name, kPlayerNameSize));
        std::memcpy(R.Bands, Bytes.data() + At + kPlayerNameSize, 10);
        R.Preamp = Bytes[At + kPlayerNameSize + 10];
        Records.push_back(R);
    }
    return Records;
}

std::string PresetTextToUtf8(const std::vector<std::uint8_t>& Bytes, const std::string& FileName)
{
    if (Bytes.size() >= 2 && (Bytes[0] == 0xFF && Bytes[1] == 0xFE))
        return Utf16ToUtf8(Bytes, false, FileName);
    if (Bytes.size() >= 2 && (Bytes[0] == 0xFE && Bytes[1] == 0xFF))
        return Utf16ToUtf8(Bytes, true, FileName);
    if (std::find(Bytes.begin(), Bytes.end(), 0) != Bytes.end())
        throw EPresetError(FileName + ": the file holds NUL bytes but no byte-order mark: not UTF-8 text, nor "
                                      "UTF-16 with a byte-order mark");
    return std::string(Bytes.begin(), Bytes.end());
}

TPresetSource ReadTextPreset(const std::string& Text, const std::string& FileName, const TPresetReadOptions& Options)
{
    TPresetSource Source;
    if (Trim(Text).empty())
        throw EPresetError(FileName + ": the file is empty");
    std::size_t At = 0;
    if (Text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        At = 3;
    for (int Line = 1; At <= Text.size(); ++Line)
    {
        const std::size_t End = std::min(Text.find('\n', At), Text.size());
        const std::string Row = Text.substr(At, End - At);
        At = End + 1;
        const std::size_t Colon = Row.find(':');
        if (Colon == std::string::npos)
            continue;
        const std::string Key = Trim(Row.substr(0, Colon));
        const std::string Value = Row.substr(Colon + 1);
        if (Key == "Preamp")
        {
            const std::vector<std::string> T = Tokens(Value);
            Source.PreampDb += FieldNumber(T, 0, "the preamp", "dB", Where(FileName, Line));
        }
        else if (Key.compare(0, 6, "Filter") == 0)
        {
            TPresetFilter F;
            if (ReadFilterLine(Value, Line, FileName, Options, Source.Warnings, F))
                Source.Filters.push_back(F);
        }
        else if (Key == "GraphicEQ")
            ReadGraphicLine(Value, Line, FileName, Source.Graphic);
    }
    if (Source.Filters.empty() && Source.Graphic.empty())
    {
        // Text in another encoding (a Windows code page, say) reads as nothing usable: say why.
        if (const std::size_t Bad = FirstInvalidUtf8(Text); Bad != std::string::npos)
            throw EPresetError(FileName + ": the text is neither UTF-8 nor UTF-16 with a byte-order mark (byte " +
                               std::to_string(Bad) + " is no UTF-8); save it as UTF-8");
        throw EPresetError(FileName + ": no usable filter");
    }
    std::stable_sort(Source.Graphic.begin(), Source.Graphic.end(),
                     [](const TGraphicPoint& a, const TGraphicPoint& b) { return a.Frequency < b.Frequency; });
    return Source;
}

TPresetSource PlayerRecordToSource(const std::vector<TPlayerPresetRecord>& Records, const std::string& FileName,
                                   const TPresetReadOptions& Options)
{
    std::size_t Chosen = 0;
    TPresetSource Source;
    if (!Options.Preset.empty())
    {
        auto Found = std::find_if(Records.begin(), Records.end(),
                                  [&](const TPlayerPresetRecord& R) { return R.Name == Options.Preset; });
        if (Found != Records.end())
            Chosen = static_cast<std::size_t>(Found - Records.begin());
        else if (Options.Preset.find_first_not_of("0123456789") == std::string::npos &&
                 Options.Preset.size() < 9 && std::stoul(Options.Preset) >= 1 && std::stoul(Options.Preset) <= Records.size())
            Chosen = std::stoul(Options.Preset) - 1;
        else
            throw EPresetError(FileName + ": no preset named '" + Options.Preset + "' (" +
                               std::to_string(Records.size()) + " in the file; --list shows them)");
    }
    else if (Records.size() > 1)
        Source.Warnings.push_back(FileName + ": " + std::to_string(Records.size()) +
                                  " presets in the file; the first, '" + Records[0].Name + "', is used");
    const TPlayerPresetRecord& R = Records[Chosen];
    Source.Name = R.Name;
    for (int b = 0; b < 10; ++b)
    {
        if (R.Bands[b] > kPlayerByteMax)
            Source.Warnings.push_back(FileName + ", record " + std::to_string(Chosen + 1) + ": band " +
                                      std::to_string(b + 1) + " byte " + std::to_string(R.Bands[b]) +
                                      " lies beyond 0..63; read as 63");
        Source.Graphic.push_back({kPlayerBandCentres[b], PlayerByteToDb(std::min(R.Bands[b], kPlayerByteMax))});
    }
    if (R.Preamp > kPlayerByteMax)
        Source.Warnings.push_back(FileName + ", record " + std::to_string(Chosen + 1) + ": preamp byte " +
                                  std::to_string(R.Preamp) + " lies beyond 0..63; read as 63");
    Source.PreampDb = PlayerByteToDb(std::min(R.Preamp, kPlayerByteMax));
    return Source;
}

TPresetSource ReadPresetFile(const std::string& FileName, const TPresetReadOptions& Options)
{
    const std::vector<std::uint8_t> Bytes = ReadPresetFileBytes(FileName);
    if (Bytes.empty())
        throw EPresetError(FileName + ": the file is empty");
    if (IsPlayerPresetFile(Bytes))
        return PlayerRecordToSource(ReadPlayerPresetRecords(Bytes, FileName), FileName, Options);
    return ReadTextPreset(PresetTextToUtf8(Bytes, FileName), FileName, Options);
}
