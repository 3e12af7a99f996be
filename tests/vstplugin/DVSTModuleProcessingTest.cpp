// Chunks (program and bank layouts, bounds), processing routes, accumulation, block mode latency and overlap.
#include <numeric>

#include <gtest/gtest.h>

#include "TestModule.h"

namespace
{
// Two programs whose chunks the test fills; every load is logged.
class TChunkModule : public TVSTModule
{
public:
    TChunkModule() : TVSTModule(nullptr) { LoadDeclaration(Declaration); }
    std::vector<std::vector<std::uint8_t>> Stored{{1, 2, 3}, {4, 5, 6, 7, 8}};
    std::vector<std::string> Loads;
    void Store(TCustomVstProgram* Sender, std::int32_t Index, bool)
    {
        const auto& Bytes = Stored[static_cast<std::size_t>(Index)];
        Sender->Chunk->Write(Bytes.data(), Bytes.size());
    }
    void Load(TCustomVstProgram* Sender, std::int32_t Index, bool isPreset)
    {
        Loads.push_back(std::to_string(Index) + (isPreset ? "p" : "b") + ":" +
                        std::to_string(Sender->Chunk->Bytes.size()));
    }
    float ChunkValue(TComponent*, std::int32_t Index) { return 1234.5f + static_cast<float>(Index); }
    static const TVSTModuleDeclaration<TChunkModule> Declaration;
};

const TVstProgramDeclaration<TChunkModule> ChunkPrograms[] = {
    {.OnLoadChunk = &TChunkModule::Load, .OnStoreChunk = &TChunkModule::Store},
    {.OnLoadChunk = &TChunkModule::Load, .OnStoreChunk = &TChunkModule::Store}};
const TVstParameterDeclaration<TChunkModule> ChunkParameters[] = {{}};
const TVSTModuleDeclaration<TChunkModule> TChunkModule::Declaration = {
    .Properties = {.Flags = {effFlagsProgramChunks}},
    .Programs = ChunkPrograms,
    .Parameters = ChunkParameters,
    .Events = {.OnGetChunkParameter = &TChunkModule::ChunkValue},
};

class Chunks : public ::testing::Test
{
protected:
    TChunkModule Module;
    AEffect* E = Module.Effect();
};

TEST_F(Chunks, BankIsEachProgramsSizeAndBytes)
{
    void* Data = nullptr;
    const VstIntPtr Size = E->dispatcher(E, effGetChunk, 0, 0, &Data, 0.0f);
    ASSERT_EQ(Size, 16);
    const auto* B = static_cast<const std::uint8_t*>(Data);
    EXPECT_EQ(std::vector<std::uint8_t>(B, B + 16),
              (std::vector<std::uint8_t>{3, 0, 0, 0, 1, 2, 3, 5, 0, 0, 0, 4, 5, 6, 7, 8}));
    EXPECT_EQ(E->dispatcher(E, effGetChunk, 1, 0, &Data, 0.0f), 3); // the current program alone
}

TEST_F(Chunks, SettingABankLoadsEveryProgramThenTheCurrentAgain)
{
    const std::uint8_t Bank[] = {2, 0, 0, 0, 9, 9, 1, 0, 0, 0, 7};
    EXPECT_EQ(E->dispatcher(E, effSetChunk, 0, sizeof Bank, const_cast<std::uint8_t*>(Bank), 0.0f), 11);
    EXPECT_EQ(Module.Loads, (std::vector<std::string>{"0b:2", "1b:1", "0b:2"}));
    EXPECT_EQ(Module.Programs()[1].Chunk->Bytes[0], 7);
    EXPECT_TRUE(Module.EditorNeedsUpdate());
}

TEST_F(Chunks, ATruncatedBankStopsAtTheEntryThatWouldReadPastTheEnd)
{
    const std::uint8_t Bank[] = {2, 0, 0, 0, 9, 9, 200, 0, 0, 0, 7};
    Module.Programs()[1].Chunk->Write("keep", 4);
    EXPECT_EQ(E->dispatcher(E, effSetChunk, 0, sizeof Bank, const_cast<std::uint8_t*>(Bank), 0.0f), 11);
    EXPECT_EQ(Module.Loads, (std::vector<std::string>{"0b:2", "0b:2"}));
    EXPECT_EQ(Module.Programs()[1].Chunk->Bytes.size(), 4u);
    const std::uint8_t Negative[] = {0xFF, 0xFF, 0xFF, 0xFF, 1};
    EXPECT_EQ(E->dispatcher(E, effSetChunk, 0, sizeof Negative, const_cast<std::uint8_t*>(Negative), 0.0f), 5);
    EXPECT_EQ(Module.Programs()[0].Chunk->Bytes.size(), 2u);
}

TEST_F(Chunks, ProgramChunkReplacesTheCurrentProgramOnly)
{
    const std::uint8_t Program[] = {5, 6, 7, 8};
    EXPECT_EQ(E->dispatcher(E, effSetChunk, 1, 4, const_cast<std::uint8_t*>(Program), 0.0f), 4);
    EXPECT_EQ(Module.Loads, (std::vector<std::string>{"0p:4"}));
    EXPECT_EQ(E->dispatcher(E, effSetChunk, 1, -4, const_cast<std::uint8_t*>(Program), 0.0f), 0);
}

TEST_F(Chunks, ParameterReadsAndDisplayComeFromTheChunkHandler)
{
    EXPECT_EQ(Module.Parameter(0), 1234.5f);
    char Text[256];
    E->dispatcher(E, effGetParamDisplay, 0, 0, Text, 0.0f);
    EXPECT_STREQ(Text, "1234.5");
    EXPECT_TRUE(Module.Programs()[0].ParameterValues.empty());
}

TEST(ChunksWithoutChunkPrograms, AnswerZero)
{
    TTestModule Module;
    AEffect* E = Module.Effect();
    void* Data = nullptr;
    EXPECT_EQ(E->dispatcher(E, effGetChunk, 0, 0, &Data, 0.0f), 0);
    const std::uint8_t Bytes[] = {1, 0, 0, 0, 1};
    EXPECT_EQ(E->dispatcher(E, effSetChunk, 0, 5, const_cast<std::uint8_t*>(Bytes), 0.0f), 0);
}

// ---------------------------------------------------------------------------------------------------------
// Processing

class Processing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TRecordingHost::Current = &Host;
        for (int C = 0; C < 2; ++C)
        {
            In[C].resize(4096);
            Out[C].assign(4096, 9.0f);
            std::iota(In[C].begin(), In[C].end(), 1.0f + 10000.0f * static_cast<float>(C));
            InPtr[C] = In[C].data();
            OutPtr[C] = Out[C].data();
        }
    }
    void TearDown() override { TRecordingHost::Current = nullptr; }
    TRecordingHost Host;
    TTestModule Module;
    AEffect* E = Module.Effect();
    std::vector<float> In[2], Out[2];
    float* InPtr[2];
    float* OutPtr[2];
};

TEST_F(Processing, NormalModeCallsTheHandler)
{
    E->processReplacing(E, InPtr, OutPtr, 4);
    EXPECT_EQ(Out[0][3], 2.0f);
    EXPECT_EQ(Out[1][0], 5000.5f);
    EXPECT_EQ(Out[0][4], 9.0f);
}

TEST_F(Processing, AccumulatingProcessAddsToTheOutputs)
{
    E->process(E, InPtr, OutPtr, 4);
    EXPECT_EQ(Out[0][0], 9.5f);
    EXPECT_EQ(Out[0][4], 9.0f);
}

TEST_F(Processing, MuteWritesZerosToEveryOutput)
{
    Module.SetProcessingMode(pmMute);
    E->processReplacing(E, InPtr, OutPtr, 8);
    for (int C = 0; C < 2; ++C)
    {
        EXPECT_EQ(Out[C][7], 0.0f);
        EXPECT_EQ(Out[C][8], 9.0f);
    }
}

TEST_F(Processing, CopyCoversOnlyChannelsBothSidesHave)
{
    Module.SetNumOutputs(1);
    Module.SetProcessingMode(pmCopy);
    E->processReplacing(E, InPtr, OutPtr, 8);
    EXPECT_EQ(Out[0][7], 8.0f);
    EXPECT_EQ(Out[1][0], 9.0f);
    double DIn[4] = {1, 2, 3, 4}, DOut[4] = {};
    double* DI[2] = {DIn, DIn};
    double* DO[2] = {DOut, DOut};
    E->processDoubleReplacing(E, DI, DO, 4);
    EXPECT_EQ(DOut[3], 4.0);
}

TEST_F(Processing, OutgoingMidiEventsAreFlushedAfterProcessing)
{
    Module.SetAudioMaster(&TRecordingHost::Callback);
    Module.MidiOutEvents().numEvents = 2;
    E->processReplacing(E, InPtr, OutPtr, 4);
    EXPECT_EQ(Host.Count(audioMasterProcessEvents), 1);
    EXPECT_EQ(Module.MidiOutEvents().numEvents, 0);
    E->processReplacing(E, InPtr, OutPtr, 4);
    EXPECT_EQ(Host.Count(audioMasterProcessEvents), 1);
    EXPECT_EQ(Module.MidiOutEventRecord(255)->byteSize, 24);
}

TEST_F(Processing, BlockModeDelaysByOneBlock)
{
    std::vector<int> Calls;
    Module.SetOnProcessReplacing([&](float** I, float** O, std::int32_t N) {
        Calls.push_back(N);
        for (int C = 0; C < 2; ++C)
            std::copy(I[C], I[C] + N, O[C]);
    });
    Module.SetProcessingMode(pmBlockSave);
    EXPECT_EQ(Module.InitialDelay(), 1024);
    for (int Call = 0; Call < 5; ++Call)
    {
        float* I[2] = {InPtr[0] + 256 * Call, InPtr[1] + 256 * Call};
        float* O[2] = {OutPtr[0] + 256 * Call, OutPtr[1] + 256 * Call};
        E->processReplacing(E, I, O, 256);
        EXPECT_EQ(Calls.size(), Call >= 3 ? 1u : 0u) << Call;
    }
    EXPECT_EQ(Out[0][1023], 0.0f);
    EXPECT_EQ(Out[0][1024], In[0][0]);
    EXPECT_EQ(Out[1][1279], In[1][255]);
}

TEST_F(Processing, BlockModeWithOverlapReportsItsLatencyAndKeepsTheOverlap)
{
    Module.SetAudioMaster(&TRecordingHost::Callback);
    Module.SetBlockModeOverlap(256);
    std::vector<float> FirstOfBlock;
    Module.SetOnProcessReplacing([&](float** I, float** O, std::int32_t N) {
        FirstOfBlock.push_back(I[0][0]);
        for (int C = 0; C < 2; ++C)
            std::copy(I[C], I[C] + N, O[C]);
    });
    Module.SetProcessingMode(pmBlockSave);
    EXPECT_EQ(Module.InitialDelay(), 768);
    EXPECT_EQ(Host.Count(audioMasterIOChanged), 1);
    E->processReplacing(E, InPtr, OutPtr, 3000);
    // The first block starts with 256 zeros of overlap; later blocks repeat the previous block's last 256.
    EXPECT_EQ(FirstOfBlock, (std::vector<float>{0.0f, In[0][768 - 256], In[0][768 * 2 - 256]}));
    EXPECT_EQ(Out[0][767], 0.0f);
    EXPECT_EQ(Out[0][768], In[0][0]); // every sample leaves 768 samples later
    EXPECT_EQ(Out[0][2999], In[0][2999 - 768]);
    EXPECT_EQ(Module.BlockPosition(), 256 + (3000 - 3 * 768));
}

TEST_F(Processing, BlockSizeAndOverlapWritesAreChecked)
{
    Module.SetProcessingMode(pmBlockSave);
    Module.SetBlockModeSize(512);
    Module.SetBlockModeOverlap(512);
    Module.SetBlockModeOverlap(-1);
    EXPECT_EQ(Module.BlockModeOverlap(), 0);
    Module.SetBlockModeOverlap(100);
    Module.SetBlockModeSize(0);
    Module.SetBlockModeSize(100); // not above the overlap
    EXPECT_EQ(Module.BlockModeSize(), 512);
    EXPECT_EQ(Module.BlockPosition(), 100);
    Module.SetInitialDelay(10); // never below the block delay
    EXPECT_EQ(Module.InitialDelay(), 512 - 100);
}

TEST_F(Processing, BlockModeWithoutHandlerDoesNothingAndPartialBlocksCarryOver)
{
    Module.SetOnProcessReplacing(nullptr);
    Module.SetProcessingMode(pmBlockSave);
    E->processReplacing(E, InPtr, OutPtr, 8);
    EXPECT_EQ(Out[0][0], 9.0f);
    Module.SetOnProcessReplacing([](float**, float**, std::int32_t) {});
    E->processReplacing(E, InPtr, OutPtr, 3000);
    EXPECT_EQ(Module.BlockPosition(), 952);
    E->processReplacing(E, InPtr, OutPtr, 0);
    E->processReplacing(E, InPtr, OutPtr, -5);
    EXPECT_EQ(Module.BlockPosition(), 952);
}
} // namespace
