#pragma once
// Equaliser presets as other programs publish them, read into one description of the response they ask for:
// the parametric text of the system-wide equaliser of Windows ("Preamp:", "Filter n:" lines, as headphone
// corrections are published), its "GraphicEQ:" line, and the player's own presets (one record in an .eqf
// file, several in the library winamp.q1).
//
// Readers are liberal: unknown keys and lines are skipped, "," is read as a decimal mark, spacing is free.
// What cannot be read at all raises EPresetError with one line naming the file and the line (or record).
// What is read but cannot be made by the equaliser's bands is left out with a warning.
// All functions are [any]; they keep no state.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// A preset that cannot be read: the message is one line, "<file>, line <n>: <what>" or "<file>: <what>".
class EPresetError : public std::runtime_error
{
public:
    explicit EPresetError(const std::string& Message) : std::runtime_error(Message) {}
};

// The cookbook section a filter line asks for.
enum class TPresetFilterType { pftPeak, pftLowShelf, pftHighShelf };

// One second-order section of a parametric preset, as the cookbook formulas describe it at the file's rate.
struct TPresetFilter
{
    TPresetFilterType FilterType = TPresetFilterType::pftPeak;
    double Frequency = 1000.0; // centre frequency, Hz
    double GainDb = 0.0;
    // Exactly one of the three bandwidth forms is used: Q if > 0, else octaves if > 0, else the shelf slope S.
    double Q = 0.0;
    double Octaves = 0.0;
    double Slope = 0.0;
    int Line = 0; // where it was read (1-based), for messages
};

// A frequency–gain point of a graphic equaliser curve.
struct TGraphicPoint
{
    double Frequency = 0.0; // Hz
    double GainDb = 0.0;
};

// Everything a preset file asks for: the product of its sections, its graphic curve (interpolated linearly
// in log-frequency between points, the ends held) and its preamp.
struct TPresetSource
{
    std::string Name;                    // a record's name, else empty
    double PreampDb = 0.0;
    std::vector<TPresetFilter> Filters;  // in file order
    std::vector<TGraphicPoint> Graphic;  // ascending frequency; empty: flat
    std::vector<std::string> Warnings;   // one line each, naming file and line
};

// How a preset file is read.
struct TPresetReadOptions
{
    double SampleRate = 44100.0; // the rate the file's filters were designed for
    // "LS"/"HS" filters: false reads the frequency as the centre (as correction files wrote them until
    // 2023), true as the corner of the shelf.
    bool ShelfCorner = false;
    // Which record of a library: a name, a 1-based index, or empty for the first.
    std::string Preset;
};

// The player's graphic equaliser: band centres (Hz) of its ten sliders.
inline constexpr double kPlayerBandCentres[10] = {60, 170, 310, 600, 1000, 3000, 6000, 12000, 14000, 16000};

// One record of a player library: its name and its ten band bytes and preamp byte (0 = +12 dB, 63 = −12 dB).
struct TPlayerPresetRecord
{
    std::string Name;
    std::uint8_t Bands[10] = {};
    std::uint8_t Preamp = 0;
};

// The bytes of a file; raises EPresetError "<file>: cannot read the file" when it cannot be opened or read.
std::vector<std::uint8_t> ReadPresetFileBytes(const std::string& FileName);

// Whether Bytes start with the signature of the player's preset files (.eqf, .q1).
bool IsPlayerPresetFile(const std::vector<std::uint8_t>& Bytes);

// The records of a player preset file (signature checked by the caller). Raises EPresetError for a record cut
// short ("<file>, record <n>: cut short ...") and for a file without records.
std::vector<TPlayerPresetRecord> ReadPlayerPresetRecords(const std::vector<std::uint8_t>& Bytes,
                                                         const std::string& FileName);

// The dB value of a player band or preamp byte: 0 → +12, 63 → −12, linear between.
double PlayerByteToDb(std::uint8_t Byte);

// The text of a text preset file as UTF-8: UTF-16 (LE or BE) with a byte-order mark is converted, anything
// else is taken as UTF-8 (a UTF-8 byte-order mark is left for ReadTextPreset). Raises EPresetError naming the
// encoding problem for NUL bytes without a UTF-16 byte-order mark, an odd byte count or a broken surrogate pair.
std::string PresetTextToUtf8(const std::vector<std::uint8_t>& Bytes, const std::string& FileName);

// A text preset (parametric lines and/or a GraphicEQ line). FileName is used in messages only. Text that
// gives nothing usable and is not UTF-8 raises EPresetError naming the encoding instead of "no usable filter".
TPresetSource ReadTextPreset(const std::string& Text, const std::string& FileName, const TPresetReadOptions& Options);

// The record chosen by Options.Preset as a graphic curve and preamp.
TPresetSource PlayerRecordToSource(const std::vector<TPlayerPresetRecord>& Records, const std::string& FileName,
                                   const TPresetReadOptions& Options);

// Any of the formats above, told apart by content. Raises EPresetError for an empty file and as the readers do.
TPresetSource ReadPresetFile(const std::string& FileName, const TPresetReadOptions& Options);
