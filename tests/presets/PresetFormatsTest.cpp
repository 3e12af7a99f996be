#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "presets/PresetFormats.h"
#include "presets/PresetResponse.h"
#include "support/TempPath.h"

namespace
{

const std::string kSignature = std::string("Winamp EQ library file v1.1") + '\x1A' + "!--";

std::string Record(const std::string& Name, std::uint8_t Band, std::uint8_t Preamp)
{
    std::string R = Name;
    R.resize(257, '\0');
    R += std::string(10, static_cast<char>(Band));
    R += static_cast<char>(Preamp);
    return R;
}

std::vector<std::uint8_t> Bytes(const std::string& S)
{
    return {S.begin(), S.end()};
}

TPresetSource Read(const std::string& Text, double Rate = 44100.0, bool Corner = false)
{
    TPresetReadOptions O;
    O.SampleRate = Rate;
    O.ShelfCorner = Corner;
    return ReadTextPreset(Text, "eq.txt", O);
}

struct TGoodCase
{
    const char* Name;
    const char* Text;
    double Preamp;
    std::vector<TPresetFilter> Filters; // Line is compared too
    int Warnings;
};

using T = TPresetFilterType;

TEST(PresetText, ReadsTheLinesCorrectionFilesWrite)
{
    const TGoodCase Cases[] = {
        {"plain", "Preamp: -6.2 dB\nFilter 1: ON PK Fc 105 Hz Gain -2.5 dB Q 0.70\n", -6.2,
         {{T::pftPeak, 105, -2.5, 0.70, 0, 0, 2}}, 0},
        {"free spacing, tabs, CRLF", "Preamp:-1 dB\r\n  Filter 7 :\tON  PK   Fc 50 Hz\tGain 3 dB Q 2\r\n", -1,
         {{T::pftPeak, 50, 3, 2, 0, 0, 2}}, 0},
        {"comma decimals, preamps add up", "Preamp: -1,5 dB\nPreamp: -2 dB\nFilter: ON PEQ Fc 1000,5 Hz Gain 1,25 dB Q 1,5\n",
         -3.5, {{T::pftPeak, 1000.5, 1.25, 1.5, 0, 0, 3}}, 0},
        {"comments, unknown keys, OFF and None skipped",
         "# Filter 1: ON PK Fc 1 Hz\nDevice: all\nFilter 1: OFF PK Fc 100 Hz Gain 3 dB Q 1\nFilter 2: ON None\n"
         "Filter 3: ON Modal Fc 200 Hz Gain -1 dB Q 4\nfilter 4: ON PK Fc 300 Hz Gain 9 dB Q 1\n",
         0, {{T::pftPeak, 200, -1, 4, 0, 0, 5}}, 0},
        {"byte order mark, attached units, plus signs", "\xEF\xBB\xBFPreamp: +2dB\nFilter 1: ON PK Fc 100Hz Gain +2dB Q 1\n", 2,
         {{T::pftPeak, 100, 2, 1, 0, 0, 2}}, 0},
        {"bandwidth in octaves", "Filter 1: ON PK Fc 400 Hz Gain 2 dB BW Oct 1.5\n", 0, {{T::pftPeak, 400, 2, 0, 1.5, 0, 1}}, 0},
        {"shelves: Q, slope after the type, default slope",
         "Filter 1: ON LSC Fc 105 Hz Gain 6 dB Q 0.7\nFilter 2: ON HSC 12 dB Fc 9000 Hz Gain -3 dB\n"
         "Filter 3: ON LS 6dB Fc 80 Hz Gain 2 dB\nFilter 4: ON HS Fc 10000 Hz Gain 1 dB\n",
         0,
         {{T::pftLowShelf, 105, 6, 0.7, 0, 0, 1}, {T::pftHighShelf, 9000, -3, 0, 0, 1.0, 2},
          {T::pftLowShelf, 80, 2, 0, 0, 0.5, 3}, {T::pftHighShelf, 10000, 1, 0, 0, 0.9, 4}},
         0},
        {"filters the bands cannot make are left out with a warning each",
         "Filter 1: ON LP Fc 100 Hz\nFilter 2: ON HP Fc 20 Hz Q 0.7\nFilter 3: ON NO Fc 50 Hz\nFilter 4: ON XYZ Fc 1 Hz\n"
         "Filter 5: ON PK Fc 100 Hz Gain 1 dB Q 1\n",
         0, {{T::pftPeak, 100, 1, 1, 0, 0, 5}}, 4},
        {"at or above half the rate: left out; above 20 kHz or beyond ±15 dB: kept with a warning",
         "Filter 1: ON PK Fc 22050 Hz Gain 2 dB Q 1\nFilter 2: ON PK Fc 21000 Hz Gain 1 dB Q 1\n"
         "Filter 3: ON PK Fc 1000 Hz Gain 18 dB Q 1\n",
         0, {{T::pftPeak, 21000, 1, 1, 0, 0, 2}, {T::pftPeak, 1000, 18, 1, 0, 0, 3}}, 3},
        {"a bell without Q reads Q 0.71", "Filter 1: ON PK Fc 100 Hz Gain 1 dB\n", 0, {{T::pftPeak, 100, 1, 0.7071, 0, 0, 1}}, 1},
    };
    for (const TGoodCase& C : Cases)
    {
        SCOPED_TRACE(C.Name);
        const TPresetSource S = Read(C.Text);
        EXPECT_DOUBLE_EQ(S.PreampDb, C.Preamp);
        EXPECT_EQ(static_cast<int>(S.Warnings.size()), C.Warnings);
        ASSERT_EQ(S.Filters.size(), C.Filters.size());
        for (std::size_t i = 0; i < S.Filters.size(); ++i)
        {
            const TPresetFilter &a = S.Filters[i], &e = C.Filters[i];
            EXPECT_EQ(a.FilterType, e.FilterType);
            EXPECT_DOUBLE_EQ(a.Frequency, e.Frequency);
            EXPECT_DOUBLE_EQ(a.GainDb, e.GainDb);
            EXPECT_DOUBLE_EQ(a.Q, e.Q);
            EXPECT_DOUBLE_EQ(a.Octaves, e.Octaves);
            EXPECT_DOUBLE_EQ(a.Slope, e.Slope);
            EXPECT_EQ(a.Line, e.Line);
        }
        for (const std::string& W : S.Warnings)
            EXPECT_EQ(W.rfind("eq.txt, line ", 0), 0u) << W;
    }
}

TEST(PresetText, RefusesWhatCannotBeReadInOneLineNamingFileAndLine)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"", "eq.txt: the file is empty"},
        {" \n\t\r\n", "eq.txt: the file is empty"},
        {"Preamp: -3 dB\nFilter 1: OFF PK Fc 100 Hz Gain 1 dB Q 1\n", "eq.txt: no usable filter"},
        {"Filter 1: ON LP Fc 100 Hz\n", "eq.txt: no usable filter"},
        {"Filter 1: ON PK Fc 100 Hz Gain abc dB Q 1\n", "eq.txt, line 1: the gain is not a number: 'abc'"},
        {"\nFilter 1: ON PK Fc 1e Hz Gain 1 dB Q 1\n", "eq.txt, line 2: the frequency is not a number: '1e'"},
        {"Filter 1: ON PK Fc 0 Hz Gain 1 dB Q 1\n", "eq.txt, line 1: the frequency must be above 0 Hz: 0"},
        {"Filter 1: ON PK Fc -20 Hz Gain 1 dB Q 1\n", "eq.txt, line 1: the frequency must be above 0 Hz: -20"},
        {"Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 0\n", "eq.txt, line 1: Q must be above 0"},
        {"Filter 1: ON PK Fc 100 Hz Gain 1 dB Q -2\n", "eq.txt, line 1: Q must be above 0"},
        {"Filter 1: ON PK Gain 1 dB Q 1\n", "eq.txt, line 1: the filter has no frequency (Fc)"},
        {"Filter 1: ON PK Fc 100 Hz Gain\n", "eq.txt, line 1: the gain has no value"},
        {"Filter 1: ON PK Fc 100 Hz BW Oct 0\n", "eq.txt, line 1: the bandwidth must be above 0 octaves: '0'"},
        {"Preamp: loud\nFilter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n", "eq.txt, line 1: the preamp is not a number: 'loud'"},
        {"GraphicEQ: 20 -1; 30 x\n", "eq.txt, line 1: the gain is not a number: 'x'"},
        {"GraphicEQ: 20 -1; 0 1\n", "eq.txt, line 1: the frequency must be above 0 Hz: 0"},
        {"GraphicEQ: 20 -1 5\n", "eq.txt, line 1: a graphic point is not 'frequency gain': '20 -1 5'"},
    };
    for (const auto& [Text, Message] : Cases)
    {
        SCOPED_TRACE(Text);
        try
        {
            Read(Text);
            ADD_FAILURE() << "accepted";
        }
        catch (const EPresetError& E)
        {
            EXPECT_EQ(std::string(E.what()), Message);
        }
    }
}

// A file dialog hands over UTF-8 paths; a user's folder name is often not ASCII.
TEST(PresetText, AFileIsReadByItsUtf8NameOutsideAscii)
{
    const std::string Folder = TempPath("J\xC3\xBCrgen \xE2\x99\xAB");
    const std::u8string Utf8Folder(Folder.begin(), Folder.end());
    std::filesystem::create_directories(std::filesystem::path(Utf8Folder));
    const std::string File = Folder + "/eq.txt";
    std::ofstream(std::filesystem::path(std::u8string(File.begin(), File.end())))
        << "Filter 1: ON PK Fc 1000 Hz Gain 3 dB Q 1\n";
    const TPresetSource Source = ReadPresetFile(File, TPresetReadOptions{});
    EXPECT_EQ(Source.Filters.size(), 1u);
    std::filesystem::remove_all(std::filesystem::path(Utf8Folder));
}

// Notepad's "Unicode" and "Unicode big endian": the sample correction through iconv, with CRLF and a mark.
TEST(PresetText, Utf16WithAByteOrderMarkReadsAsTheSameCorrection)
{
    const std::string Data = MARVO_PRESET_DATA;
    const TPresetSource Expected = ReadPresetFile(Data + "/correction-a.txt", TPresetReadOptions{});
    ASSERT_EQ(Expected.Filters.size(), 10u);
    for (const char* Name : {"/correction-a-utf16le.txt", "/correction-a-utf16be.txt"})
    {
        SCOPED_TRACE(Name);
        const TPresetSource S = ReadPresetFile(Data + Name, TPresetReadOptions{});
        EXPECT_EQ(S.PreampDb, Expected.PreampDb);
        ASSERT_EQ(S.Filters.size(), Expected.Filters.size());
        for (std::size_t i = 0; i < S.Filters.size(); ++i)
        {
            EXPECT_EQ(S.Filters[i].FilterType, Expected.Filters[i].FilterType);
            EXPECT_EQ(S.Filters[i].Frequency, Expected.Filters[i].Frequency);
            EXPECT_EQ(S.Filters[i].GainDb, Expected.Filters[i].GainDb);
            EXPECT_EQ(S.Filters[i].Q, Expected.Filters[i].Q);
            EXPECT_EQ(S.Filters[i].Line, Expected.Filters[i].Line);
        }
    }
}

TEST(PresetText, Utf16CharactersOutsideAsciiBecomeUtf8)
{
    // "ö♫𝄞" (U+00F6, U+266B, U+1D11E: one, one and two UTF-16 units) then "\n".
    const std::vector<std::uint8_t> Le = {0xFF, 0xFE, 0xF6, 0x00, 0x6B, 0x26, 0x34, 0xD8, 0x1E, 0xDD, 0x0A, 0x00};
    const std::vector<std::uint8_t> Be = {0xFE, 0xFF, 0x00, 0xF6, 0x26, 0x6B, 0xD8, 0x34, 0xDD, 0x1E, 0x00, 0x0A};
    const std::string Utf8 = "\xC3\xB6\xE2\x99\xAB\xF0\x9D\x84\x9E\n";
    EXPECT_EQ(PresetTextToUtf8(Le, "eq.txt"), Utf8);
    EXPECT_EQ(PresetTextToUtf8(Be, "eq.txt"), Utf8);
    EXPECT_EQ(PresetTextToUtf8(Bytes("\xEF\xBB\xBFPreamp: 1 dB"), "eq.txt"), "\xEF\xBB\xBFPreamp: 1 dB");
}

TEST(PresetText, TextInNeitherUtf8NorUtf16SaysSoInOneLine)
{
    const std::string Filter = "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\n";
    std::string NoMark; // UTF-16 LE without its mark
    for (char c : Filter)
        NoMark += std::string{c, '\0'};
    const std::pair<std::string, std::string> Cases[] = {
        {NoMark, "eq.txt: the file holds NUL bytes but no byte-order mark: not UTF-8 text, nor UTF-16 with a "
                 "byte-order mark"},
        {"# Kopfh\xF6rer\nPreamp: -3 dB\n",
         "eq.txt: the text is neither UTF-8 nor UTF-16 with a byte-order mark (byte 7 is no UTF-8); save it as UTF-8"},
        {"Preamp: -3 dB \xED\xA0\x80\n", // an encoded surrogate
         "eq.txt: the text is neither UTF-8 nor UTF-16 with a byte-order mark (byte 14 is no UTF-8); save it as UTF-8"},
        {"\xFF\xFE" "F", "eq.txt: the UTF-16 text ends in half a character (an odd number of bytes)"},
        {std::string("\xFF\xFE" "F\0\x00\xDC", 6), "eq.txt: the UTF-16 text holds a broken surrogate pair at byte 4"},
        {std::string("\xFE\xFF\0F\xD8\x00\0F", 8), "eq.txt: the UTF-16 text holds a broken surrogate pair at byte 4"},
        {"\xFF\xFE", "eq.txt: the file is empty"},
    };
    const std::string File = TempPath("eq.txt");
    for (const auto& [Content, Message] : Cases)
    {
        SCOPED_TRACE(Message);
        std::ofstream(File, std::ios::binary) << Content;
        try
        {
            ReadPresetFile(File, TPresetReadOptions{});
            ADD_FAILURE() << "accepted";
        }
        catch (const EPresetError& E)
        {
            EXPECT_EQ(std::string(E.what()), File + Message.substr(6));
        }
    }
    // A code-page comment beside filters that read is no reason to refuse them.
    std::ofstream(File, std::ios::binary) << "# Kopfh\xF6rer\n" << Filter;
    EXPECT_EQ(ReadPresetFile(File, TPresetReadOptions{}).Filters.size(), 1u);
    std::filesystem::remove(File);
}

TEST(PresetText, ShelfCornerReadingMovesLsAndHsToTheirCentreOnly)
{
    const char* Text = "Filter 1: ON LS Fc 100 Hz Gain 8 dB\nFilter 2: ON HS Fc 8000 Hz Gain -8 dB\n"
                       "Filter 3: ON LSC Fc 100 Hz Gain 8 dB\n";
    const TPresetSource Centre = Read(Text);
    const TPresetSource Corner = Read(Text, 44100.0, true);
    EXPECT_DOUBLE_EQ(Centre.Filters[0].Frequency, 100.0);
    EXPECT_NEAR(Corner.Filters[0].Frequency, 100.0 / std::pow(10.0, 0.1), 1e-9); // below the corner
    EXPECT_NEAR(Corner.Filters[1].Frequency, 8000.0 * std::pow(10.0, 0.1), 1e-6); // above it
    EXPECT_DOUBLE_EQ(Corner.Filters[2].Frequency, 100.0);
}

TEST(PresetText, GraphicLineIsSortedAndInterpolatedInLogFrequencyWithTheEndsHeld)
{
    const TPresetSource S = Read("GraphicEQ: 1000 6; 100 0; 10000 -6;\n");
    ASSERT_EQ(S.Graphic.size(), 3u);
    EXPECT_DOUBLE_EQ(S.Graphic[0].Frequency, 100.0);
    EXPECT_DOUBLE_EQ(GraphicGainDb(S.Graphic, 20.0), 0.0);
    EXPECT_NEAR(GraphicGainDb(S.Graphic, std::sqrt(100.0 * 1000.0)), 3.0, 1e-12);
    EXPECT_NEAR(GraphicGainDb(S.Graphic, std::sqrt(1000.0 * 10000.0)), 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(GraphicGainDb(S.Graphic, 20000.0), -6.0);
}

TEST(PlayerPresets, LibraryRecordsAreReadChosenAndRefused)
{
    const std::string Library = kSignature + Record("Rock", 0, 63) + Record("Flat", 31, 31) + Record("Cut", 63, 0);
    const std::vector<TPlayerPresetRecord> R = ReadPlayerPresetRecords(Bytes(Library), "winamp.q1");
    ASSERT_EQ(R.size(), 3u);
    EXPECT_EQ(R[1].Name, "Flat");
    EXPECT_TRUE(IsPlayerPresetFile(Bytes(Library)));
    EXPECT_FALSE(IsPlayerPresetFile(Bytes("Winamp EQ library file v1.1")));

    const struct
    {
        const char* Preset;
        double Band, Preamp;
        int Warnings;
    } Choices[] = {{"", 12.0, -12.0, 1}, {"Cut", -12.0, 12.0, 0}, {"2", 12.0 - 24.0 * 31 / 63, 12.0 - 24.0 * 31 / 63, 0}};
    for (const auto& C : Choices)
    {
        SCOPED_TRACE(C.Preset);
        TPresetReadOptions O;
        O.Preset = C.Preset;
        const TPresetSource S = PlayerRecordToSource(R, "winamp.q1", O);
        ASSERT_EQ(S.Graphic.size(), 10u);
        EXPECT_DOUBLE_EQ(S.Graphic[4].Frequency, 1000.0);
        EXPECT_DOUBLE_EQ(S.Graphic[4].GainDb, C.Band);
        EXPECT_DOUBLE_EQ(S.PreampDb, C.Preamp);
        EXPECT_EQ(static_cast<int>(S.Warnings.size()), C.Warnings);
    }

    for (const char* Unknown : {"rock", "0", "4", "Jazz"})
    {
        TPresetReadOptions O;
        O.Preset = Unknown;
        EXPECT_THROW(PlayerRecordToSource(R, "winamp.q1", O), EPresetError) << Unknown;
    }
    try
    {
        ReadPlayerPresetRecords(Bytes(Library.substr(0, Library.size() - 5)), "winamp.q1");
        ADD_FAILURE();
    }
    catch (const EPresetError& E)
    {
        EXPECT_EQ(std::string(E.what()), "winamp.q1, record 3: cut short (263 of 268 bytes)");
    }
    EXPECT_THROW(ReadPlayerPresetRecords(Bytes(kSignature), "x.eqf"), EPresetError);
}

TEST(PlayerPresets, ByteBeyondTheSliderIsHeldAtItsEndWithAWarning)
{
    const std::string File = kSignature + Record("Odd", 200, 31);
    const TPresetSource S = PlayerRecordToSource(ReadPlayerPresetRecords(Bytes(File), "a.eqf"), "a.eqf", {});
    EXPECT_DOUBLE_EQ(S.Graphic[0].GainDb, -12.0);
    EXPECT_EQ(S.Warnings.size(), 10u);
}

TEST(CookbookResponse, SectionsReachTheirGainWhereTheirShapeSaysSo)
{
    const double Rate = 48000.0;
    TPresetFilter Peak{T::pftPeak, 1000, 6, 1.0, 0, 0, 1};
    EXPECT_NEAR(CookbookMagnitudeDb(Peak, 1000, Rate), 6.0, 1e-9);
    EXPECT_NEAR(CookbookMagnitudeDb(Peak, 20, Rate), 0.0, 0.01);
    TPresetFilter Octaves{T::pftPeak, 1000, -4, 0, 1.0, 0, 1};
    EXPECT_NEAR(CookbookMagnitudeDb(Octaves, 1000, Rate), -4.0, 1e-9);
    // A 1-octave bell is at half its gain (in dB) near its band edges.
    EXPECT_NEAR(CookbookMagnitudeDb(Octaves, 1000 * std::sqrt(2.0), Rate), -2.0, 0.2);
    TPresetFilter Low{T::pftLowShelf, 200, 8, 0.7071, 0, 0, 1};
    EXPECT_NEAR(CookbookMagnitudeDb(Low, 1, Rate), 8.0, 0.01);
    EXPECT_NEAR(CookbookMagnitudeDb(Low, 200, Rate), 4.0, 1e-9);
    EXPECT_NEAR(CookbookMagnitudeDb(Low, 20000, Rate), 0.0, 0.01);
    TPresetFilter High{T::pftHighShelf, 4000, -5, 0, 0, 1.0, 1};
    EXPECT_NEAR(CookbookMagnitudeDb(High, 23999, Rate), -5.0, 0.01);
    EXPECT_NEAR(CookbookMagnitudeDb(High, 4000, Rate), -2.5, 1e-9);

    TPresetSource S;
    S.PreampDb = -3.0;
    S.Filters = {Peak, Low};
    S.Graphic = {{100, 1.0}};
    const std::vector<double> Db = TargetResponseDb(S, {1000.0}, Rate);
    EXPECT_NEAR(Db[0], -3.0 + 1.0 + 6.0 + CookbookMagnitudeDb(Low, 1000, Rate), 1e-12);
}

TEST(CookbookResponse, GridIsLogSpacedAndWeighsTheTopOctaveLess)
{
    const TResponseGrid G = LogGrid();
    ASSERT_EQ(G.Frequencies.size(), 400u);
    EXPECT_DOUBLE_EQ(G.Frequencies.front(), 20.0);
    EXPECT_DOUBLE_EQ(G.Frequencies.back(), 20000.0);
    EXPECT_NEAR(G.Frequencies[1] / G.Frequencies[0], G.Frequencies[399] / G.Frequencies[398], 1e-12);
    for (std::size_t i = 0; i < G.Frequencies.size(); ++i)
        EXPECT_EQ(G.Weights[i] == 1.0, G.Frequencies[i] <= 16000.0);
}

} // namespace
