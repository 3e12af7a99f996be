// A text rewritten on one thread while others read it.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "vstplugin/DVSTSharedText.h"

namespace
{
TEST(SharedText, KeepsTheFirstCharactersAndInnerZeros)
{
    struct TCase
    {
        std::string Stored, Read;
    };
    const TCase Cases[] = {
        {"", ""},
        {"Init", "Init"},
        {std::string(10, 'a'), std::string(10, 'a')},
        {std::string(11, 'b'), std::string(10, 'b')},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    TSharedText<10> Text("start");
    EXPECT_EQ(Text.Load(), "start");
    for (const TCase& C : Cases)
    {
        Text.Store(C.Stored);
        EXPECT_EQ(Text.Load(), C.Read) << C.Stored;
    }
}

// Two names of different lengths and letters: a torn read would mix lengths or letters.
TEST(SharedText, AReaderSeesOnlyWholeWritesWhileTwoThreadsRename)
{
    const std::string Short(7, 's'), Long(50, 'L');
    TSharedText<50> Text(Short);
    std::atomic<int> WritersDone{0};
    const auto Writer = [&](const std::string& First, const std::string& Second) {
        for (int I = 0; I < 20000; ++I)
            Text.Store(I % 2 ? First : Second);
        WritersDone.fetch_add(1);
    };
    std::thread A(Writer, Short, Long), B(Writer, Long, Short);
    int Torn = 0, Reads = 0;
    while (WritersDone.load() < 2 || Reads == 0)
    {
        const std::string Read = Text.Load();
        Torn += Read != Short && Read != Long;
        ++Reads;
    }
    A.join();
    B.join();
    EXPECT_EQ(Torn, 0) << "of " << Reads << " reads";
}
} // namespace
