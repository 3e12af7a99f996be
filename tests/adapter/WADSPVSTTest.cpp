// The records, the module's lifecycle as the player drives it, and the conversion of integer blocks.
#include <climits>
#include <cstring>

#include "AdapterTestSupport.h"

namespace
{

using TWADSPVSTTest = TAdapterTest;

TEST_F(TWADSPVSTTest, RecordsOfferExactlyOneModule)
{
    EXPECT_EQ(Header->version, 0x20);
    EXPECT_STREQ(Header->description, "Marvo for WinAmp");
    EXPECT_EQ(Header->getModule(0), Module);
    EXPECT_EQ(Header->getModule(0), Header->getModule(0));
    for (int Index : {1, -1, 2, INT_MIN, INT_MAX})
        EXPECT_EQ(Header->getModule(Index), nullptr) << Index;
    EXPECT_STREQ(Module->description, "Marvo for WinAmp");
    EXPECT_NE(static_cast<const void*>(Module->description), static_cast<const void*>(Header->description));
    EXPECT_EQ(AdapterHeader(), Header);
}

TEST_F(TWADSPVSTTest, CallbacksWithoutARunningAdapterLeaveEverythingAlone)
{
    auto Untouched = [&](const char* When) {
        Config();
        EXPECT_TRUE(MarvoWindows().empty()) << When;
        std::vector<std::int16_t> Block = {1000, -1000, 32767, -32768};
        EXPECT_EQ(Modify(Block.data(), 2, 16, 2), 2) << When;
        EXPECT_EQ(Block, (std::vector<std::int16_t>{1000, -1000, 32767, -32768})) << When;
    };
    Untouched("before the first Init");
    Quit(); // a Quit without Init is harmless
    ASSERT_EQ(Init(), 0);
    Quit();
    Untouched("after Quit");
    ASSERT_NE(Module->userData, nullptr);
    EXPECT_EQ(*static_cast<void**>(Module->userData), nullptr);
}

TEST_F(TWADSPVSTTest, LifecycleCreatesOneWindowAndRebuildsAfterQuit)
{
    ASSERT_EQ(Init(), 0);
    const TWindowProbe First = MarvoWindow();
    EXPECT_EQ(First.Caption, "Marvo");
    EXPECT_EQ(First.Owner, Player->Handle());
    EXPECT_FALSE(First.Visible) << "hidden on first start";

    // A second Init shows the window it has instead of making another.
    ASSERT_EQ(Init(), 0);
    const TWindowProbe Again = MarvoWindow();
    EXPECT_EQ(Again.Handle, First.Handle);
    EXPECT_TRUE(Again.Visible);

    Quit();
    EXPECT_TRUE(MarvoWindows().empty());
    Config();
    EXPECT_TRUE(MarvoWindows().empty());

    ASSERT_EQ(Init(), 0);
    EXPECT_EQ(MarvoWindows().size(), 1u);
    EXPECT_NE(MarvoWindow().Handle, nullptr);
    EXPECT_TRUE(MarvoWindow().Visible) << "visible when the last Quit came";
}

// Blocks through the equaliser at its flat start-up setting, which passes constant blocks unchanged, so
// only the way in and out shapes them (expected values computed with exact rational arithmetic).
TEST_F(TWADSPVSTTest, BlocksPassSaturationGainAndRoundingAtEveryWidth)
{
    ASSERT_EQ(Init(), 0);
    struct TCase
    {
        int Bps, Nch;
        std::vector<std::int32_t> In, Out;
    };
    const TCase Cases[] = {
        {16, 2, {1000, 1000}, {950, 950}},
        {16, 2, {-32768, 32767}, {-28299, 28298}},
        {8, 2, {127, -128}, {109, -110}},
        {24, 2, {8388607, -8388608}, {7244705, -7244706}},
        {16, 1, {1000}, {950}},
        {16, 6, {1000, 1000, 1000, 1000, 1000, 32767}, {950, 950, 950, 950, 950, 28298}},
        {24, 3, {256000, -256000, 8388607}, {243181, -243181, 7244705}},
    };
    for (const TCase& C : Cases)
    {
        const int Frames = 64;
        const std::size_t Width = static_cast<std::size_t>(C.Bps / 8);
        std::vector<std::uint8_t> Block(static_cast<std::size_t>(Frames * C.Nch) * Width);
        for (int j = 0; j < Frames; ++j)
            for (int i = 0; i < C.Nch; ++i)
                for (std::size_t b = 0; b < Width; ++b)
                    Block[(static_cast<std::size_t>(j * C.Nch + i)) * Width + b] =
                        static_cast<std::uint8_t>(C.In[static_cast<std::size_t>(i)] >> (8 * b));
        ASSERT_EQ(Modify(Block.data(), Frames, C.Bps, C.Nch), Frames);
        for (int i = 0; i < C.Nch; ++i)
        {
            const std::uint8_t* P = &Block[(static_cast<std::size_t>((Frames - 1) * C.Nch + i)) * Width];
            std::int32_t V = 0;
            for (std::size_t b = 0; b < Width; ++b)
                V |= std::int32_t(P[b]) << (8 * b);
            V = (V << (32 - C.Bps)) >> (32 - C.Bps);
            EXPECT_EQ(V, C.Out[static_cast<std::size_t>(i)]) << C.Bps << " bits, " << C.Nch << " channels, channel " << i;
        }
    }
}

// 16-bit stereo, the common block, takes a path of its own; the same two channels with a silent third one
// take the general path. A fresh equaliser in each gives both the same samples, codes over the whole range
// and a length that is not a multiple of four.
TEST_F(TWADSPVSTTest, StereoSixteenBitBlocksMatchTheGeneralConversion)
{
    const int Frames = 579;
    auto Code = [](int j, int i) {
        return static_cast<std::int16_t>(((j * 7919 + i * 104729) % 65536) - 32768);
    };
    std::vector<std::int16_t> Stereo(2 * Frames), Three(3 * Frames);
    for (int j = 0; j < Frames; ++j)
        for (int i = 0; i < 2; ++i)
            Stereo[static_cast<std::size_t>(2 * j + i)] = Three[static_cast<std::size_t>(3 * j + i)] = Code(j, i);
    ASSERT_EQ(Init(), 0);
    ASSERT_EQ(Modify(Stereo.data(), Frames, 16, 2), Frames);
    Quit();
    RemoveSettings(); // the next equaliser starts from the same defaults, not from the saved setting
    ASSERT_EQ(Init(), 0);
    ASSERT_EQ(Modify(Three.data(), Frames, 16, 3), Frames);
    for (int j = 0; j < Frames; ++j)
        for (int i = 0; i < 2; ++i)
            ASSERT_EQ(Stereo[static_cast<std::size_t>(2 * j + i)], Three[static_cast<std::size_t>(3 * j + i)])
                << "frame " << j << ", channel " << i;
}

TEST_F(TWADSPVSTTest, UnusableBlocksComeBackUnchangedWithTheirFrameCount)
{
    ASSERT_EQ(Init(), 0);
    std::vector<std::int16_t> Block(64, 1000);
    const std::vector<std::int16_t> Original = Block;
    struct TCase
    {
        const char* What;
        void* Samples;
        std::int32_t Frames, Bps, Nch;
    };
    const TCase Cases[] = {
        {"32 bits", Block.data(), 32, 32, 2}, {"12 bits", Block.data(), 32, 12, 2},
        {"0 bits", Block.data(), 32, 0, 2},   {"negative frames", Block.data(), -5, 16, 2},
        {"negative channels", Block.data(), 32, 16, -2}, {"null buffer", nullptr, 32, 16, 2},
        {"planes that cannot be allocated", Block.data(), INT_MAX, 16, 2},
        {"zero frames", Block.data(), 0, 16, 2}, {"zero channels", Block.data(), 32, 16, 0},
    };
    for (const TCase& C : Cases)
    {
        EXPECT_EQ(Module->ModifySamples(Module, C.Samples, C.Frames, C.Bps, C.Nch, 44100), C.Frames) << C.What;
        EXPECT_EQ(Block, Original) << C.What;
    }
    // The adapter still works afterwards.
    EXPECT_EQ(ProcessConstant(1000)[0], 950);
}

TEST_F(TWADSPVSTTest, FullScaleAfterTheEqualiserClipsToTheLargestCode)
{
    // +6 dB of volume doubles a 0.7 full-scale input to about 1.4 before the way out.
    WriteBytes(PlayerFile(), MakeSetting({{TSmallEQModule::kVolumeIndex, 6.0f}}));
    ASSERT_EQ(Init(), 0);
    const std::vector<std::int16_t> Out = ProcessConstant(22938);
    EXPECT_EQ(Out.back(), 32767);
    EXPECT_EQ(ProcessConstant(-22938).back(), -32767);
}

} // namespace
