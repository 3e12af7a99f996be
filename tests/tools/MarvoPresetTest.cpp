#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "MarvoPreset.h"
#include "console/ToolMain.h"
#include "graphics/Bitmap32.h"

namespace
{

TEST(MarvoPreset, ProgramFileIsTheEqualisersParameterFormAndReadsBackTheSameSetting)
{
    TEqualiserSetting S = {40.5f, 6.25f, 0.3f, -1.0f, 250.0f, -3.5f, 0.55f, 0.0f, 1200.0f, 2.0f, 0.7f, 0.25f,
                           3000.0f, -1.0f, 0.5f, 0.0f, 5000.0f, 4.0f, 0.45f, -0.5f, 7000.0f, -2.0f, 0.6f, 0.1f,
                           9000.0f, 1.5f, 0.5f, 0.5f, 14000.0f, -6.0f, 0.4f, 1.0f, -6.5f};
    const std::string Bytes = ProgramFileBytes(S, "A name longer than twenty-six characters");
    ASSERT_EQ(Bytes.size(), 188u);
    EXPECT_EQ(Bytes.substr(0, 4), "CcnK");
    EXPECT_EQ(Bytes.substr(8, 4), "FxCk");
    EXPECT_EQ(Bytes.substr(16, 4), "VORN");
    EXPECT_EQ(std::string(Bytes.c_str() + 28), "A name longer than twenty-");

    const std::string Path = testing::TempDir() + "marvo-preset-roundtrip.fxp";
    std::ofstream(Path, std::ios::binary).write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    std::string Name;
    const TEqualiserSetting Back = ReadProgramFile(Path, Name);
    EXPECT_EQ(Name, "A name longer than twenty-");
    for (int i = 0; i < kModelParameters; ++i)
        EXPECT_NEAR(Back[i], S[i], std::abs(S[i]) * 1e-6f + 1e-6f) << i;
}

TEST(MarvoPreset, CommandLineReadsEachOptionAndRefusesWhatDoesNotFit)
{
    const TPresetCommandLine C = ParsePresetCommandLine(
        {"import", "eq.txt", "-o", "out.fxp", "--rate", "48000", "--name", "N", "--preset", "2", "--plot", "p.png",
         "--shelf-corner", "--list"});
    EXPECT_EQ(C.Command, "import");
    EXPECT_EQ(C.File, "eq.txt");
    EXPECT_EQ(C.Output, "out.fxp");
    EXPECT_EQ(C.SampleRate, 48000.0);
    EXPECT_EQ(C.Name, "N");
    EXPECT_EQ(C.Preset, "2");
    EXPECT_EQ(C.Plot, "p.png");
    EXPECT_TRUE(C.ShelfCorner);
    EXPECT_TRUE(C.List);
    EXPECT_TRUE(ParsePresetCommandLine({"import", "--help"}).Help);

    const std::vector<std::vector<std::string>> Wrong = {
        {"import"}, {"import", "a", "b"}, {"play", "a"}, {"import", "a", "--rate", "44k"},
        {"import", "a", "--rate", "1000"}, {"show", "a", "-o", "b"}, {"import", "a", "--bogus"},
        {"import", "a", "--plot"}, {"import", "a", "--list=1"}};
    for (const auto& Args : Wrong)
        EXPECT_THROW(ParsePresetCommandLine(Args), EUsageError) << Args.back();
}

TEST(MarvoPreset, PlotDrawsBothCurvesInTheirColoursInsideTheAxes)
{
    TBitmap32 Image;
    const std::vector<double> F = {20.0, 200.0, 2000.0, 20000.0};
    DrawResponsePlot(Image, F, {0.0, 0.0, 0.0, 0.0}, {-12.0, -12.0, -12.0, -12.0}, "t");
    ASSERT_FALSE(Image.Empty());
    int Blue = 0, Orange = 0;
    for (int y = 0; y < Image.Height(); ++y)
        for (int x = 0; x < Image.Width(); ++x)
        {
            const TColor32 p = Image.Pixel(x, y);
            Blue += ((p >> 16) & 0xFF) < 0x60 && (p & 0xFF) > 0xA0;
            Orange += ((p >> 16) & 0xFF) > 0xC0 && ((p >> 8) & 0xFF) < 0x80 && (p & 0xFF) < 0x40;
        }
    // Each curve is a horizontal line across the plot (hundreds of pixels), plus its legend.
    EXPECT_GT(Blue, 500);
    EXPECT_GT(Orange, 500);
}

} // namespace
