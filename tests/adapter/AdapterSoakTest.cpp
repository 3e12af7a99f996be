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
    const TProcessResources Before = ProcessResources();
    for (int i = 0; i < 200; ++i)
        Cycle(i % 25 == 0);
    Application().ProcessMessages();
    const TProcessResources After = ProcessResources();
    EXPECT_TRUE(MarvoWindows().empty());
    EXPECT_EQ(After.Windows, Before.Windows);
    EXPECT_EQ(After.UserObjects, Before.UserObjects);
    EXPECT_EQ(After.GdiObjects, Before.GdiObjects);
    // A leak of even one small allocation per cycle would show as 200 of them; allow the allocator's slack.
    // (Under AddressSanitizer the quarantine grows the heap; its own leak check covers that build.)
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(After.PrivateBytes, Before.PrivateBytes + 512 * 1024)
        << Before.PrivateBytes << " -> " << After.PrivateBytes;
#endif
}

} // namespace
