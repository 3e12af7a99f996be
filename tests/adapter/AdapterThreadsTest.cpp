// The player's two threads: blocks on the playback thread while the window thread edits the equaliser and
// restarts the adapter. Run under ThreadSanitizer in the tsan build.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "AdapterTestSupport.h"
#include "adapter/AdapterEngine.h"
#ifdef MARVO_HEADLESS
#include "platform/headless/HeadlessDriver.h"
#endif

namespace
{

using TAdapterThreadsTest = TAdapterTest;

TEST_F(TAdapterThreadsTest, PlaybackRunsThroughEditsAndRestarts)
{
    std::atomic<bool> Stop{false};
    std::atomic<long> Blocks{0}, WrongCounts{0};
    std::thread Playback([&] {
        std::vector<std::int16_t> Block(576 * 2);
        for (int n = 0; !Stop.load(); ++n)
        {
            for (std::size_t i = 0; i < Block.size(); ++i)
                Block[i] = static_cast<std::int16_t>(((static_cast<unsigned>(n) * 577u + i) * 7919u) % 20000u) - 10000;
            if (Module->ModifySamples(Module, Block.data(), 576, 16, 2, n % 2 ? 44100 : 48000) != 576)
                ++WrongCounts;
            ++Blocks;
        }
    });
    for (int Cycle = 0; Cycle < 30; ++Cycle)
    {
        ASSERT_EQ(Init(), 0);
        AEffect* E = MarvoEngine ? MarvoEngine->Effect() : nullptr;
        auto* Eq = E ? static_cast<TSmallEQModule*>(E->object) : nullptr;
        ASSERT_NE(Eq, nullptr);
        for (int Edit = 0; Edit < 40; ++Edit)
        {
            const int Index = (Cycle * 40 + Edit) % 33;
            Eq->SetParameterAutomated(Index, Eq->NormalizedToParameter(Index, static_cast<float>(Edit) / 40.0f));
        }
        const long Seen = Blocks.load();
        while (Blocks.load() < Seen + 2)
            std::this_thread::yield();
        Quit();
    }
    Stop = true;
    Playback.join();
    EXPECT_EQ(WrongCounts.load(), 0);
    EXPECT_GT(Blocks.load(), 60);
}

// A setting file that cannot be loaded shows one message box at the start; the playback thread, already
// sending blocks, goes on while the box waits for the listener.
#ifdef MARVO_HEADLESS // only the headless backend can keep a message box up until the test answers it
TEST_F(TAdapterThreadsTest, PlaybackGoesOnWhileAStartMessageWaitsForTheListener)
{
    WriteBytes(PlayerFile(), MakeSetting({{TSmallEQModule::kVolumeIndex, -20.0f}}, true));

    std::mutex Mutex;
    std::condition_variable Changed;
    long Blocks = 0;
    std::atomic<bool> Stop{false};
    std::thread Playback([&] {
        std::vector<std::int16_t> Block(576 * 2, 1000);
        while (!Stop.load())
        {
            Module->ModifySamples(Module, Block.data(), 576, 16, 2, 44100);
            std::lock_guard<std::mutex> Hold(Mutex);
            ++Blocks;
            Changed.notify_all();
        }
    });

    bool BlocksWhileShown = false;
    HeadlessDriver::SetWhileMessageBoxShows([&](const TMessageBoxRecord&) {
        // The listener answers only once the playback thread has completed blocks meanwhile; the bound only
        // keeps a stalled playback thread from hanging the test.
        std::unique_lock<std::mutex> Hold(Mutex);
        const long Seen = Blocks;
        BlocksWhileShown = Changed.wait_for(Hold, std::chrono::seconds(30), [&] { return Blocks >= Seen + 3; });
    });
    std::vector<TMessageBoxRecord> Boxes;
    {
        TMessageBoxAnswerer Answerer;
        ASSERT_EQ(Init(), 0);
        Boxes = Answerer.Records();
    }
    HeadlessDriver::SetWhileMessageBoxShows(nullptr);
    Stop = true;
    Playback.join();

    EXPECT_TRUE(BlocksWhileShown) << "the playback thread waited for the message box";
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "preset file not for this plugin!");
    EXPECT_NEAR(ProcessConstant(1000).back(), 950, 1) << "the equaliser runs with its defaults";
}
#endif

} // namespace
