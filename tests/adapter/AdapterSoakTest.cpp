// Many starts and stops with audio between them leave no window, handle or memory behind.
#include "AdapterTestSupport.h"

namespace
{

using TAdapterSoakTest = TAdapterTest;

TEST_F(TAdapterSoakTest, TwoHundredStartsAndStopsLeakNothing)
{
    // Showing a window costs seconds under Wine without a window manager, so only some cycles show it.
    auto Cycle = [&](bool Show) {
        ASSERT_EQ(Init(), 0);
        if (Show)
            Config();
        for (int Block = 0; Block < 4; ++Block)
            ASSERT_EQ(ProcessConstant(static_cast<std::int16_t>(1000 * Block)).size(), 1152u);
        Application().ProcessMessages();
        Quit();
        // Quit stored the visibility; the next start must begin hidden again.
        TRegistry Registry;
        if (Registry.OpenKey("Software\\Zentrova\\Marvo\\WinAmp", false))
            Registry.WriteInteger("Visible", 0);
    };
    for (int i = 0; i < 5; ++i)
        Cycle(i == 0); // caches of the window system and the C library settle
    // Two halves of 100 cycles each. Allocations made once (the window system's and the C library's first
    // use of something, which on a fresh Wine prefix come late) land in the first half only; a leak in a
    // cycle grows both halves alike, so the second half is judged.
    const TProcessResources Before = ProcessResources();
    for (int i = 0; i < 100; ++i)
        Cycle(i % 25 == 0);
    Application().ProcessMessages();
    [[maybe_unused]] const TProcessResources Middle = ProcessResources(); // judged only without ASan
    for (int i = 100; i < 200; ++i)
        Cycle(i % 25 == 0);
    Application().ProcessMessages();
    const TProcessResources After = ProcessResources();
    EXPECT_TRUE(MarvoWindows().empty());
    EXPECT_EQ(After.Windows, Before.Windows);
    EXPECT_EQ(After.UserObjects, Before.UserObjects);
    EXPECT_EQ(After.GdiObjects, Before.GdiObjects);
    // A leak of a few KiB per cycle shows as 100 of them; allow the allocator's slack.
    // (Under AddressSanitizer the quarantine grows the heap; its own leak check covers that build.)
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(After.PrivateBytes, Middle.PrivateBytes + 256 * 1024)
        << Before.PrivateBytes << " -> " << Middle.PrivateBytes << " -> " << After.PrivateBytes;
#endif
}

} // namespace
