// RunIsolated: the work's lines in order, and its abnormal end as an answer where it runs in a child process.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "console/Isolated.h"

namespace
{

std::atomic<bool> Forever{true};

TEST(Isolated, HandsOverEveryLineInOrder)
{
    std::vector<std::string> Lines;
    const TIsolatedOutcome R = RunIsolated(
        [](const TLineSink& Emit) {
            for (int I = 0; I < 1000; ++I)
                Emit("line " + std::to_string(I));
        },
        [&Lines](const std::string& Line) { Lines.push_back(Line); }, 60);
    EXPECT_TRUE(R.Completed) << R.Reason;
    ASSERT_EQ(Lines.size(), 1000u);
    EXPECT_EQ(Lines.front(), "line 0");
    EXPECT_EQ(Lines.back(), "line 999");
}

TEST(Isolated, AnAbnormalEndIsAnAnswerWithTheLinesBeforeIt)
{
    if (!IsolationAvailable())
        GTEST_SKIP() << "the work runs in the calling process here";
    struct TCase
    {
        void (*End)();
        unsigned Timeout;
        const char* Reason;
    };
    const TCase Cases[] = {
        {[] { std::raise(SIGSEGV); }, 60, "signal 11"},
        {[] { std::raise(SIGABRT); }, 60, "signal 6"},
        {[] { std::_Exit(3); }, 60, "exited with status 3"},
        {[] {
             while (Forever.load())
             {
             }
         },
         1, "no answer within 1 s"},
    };
    for (const TCase& C : Cases)
    {
        SCOPED_TRACE(C.Reason);
        std::vector<std::string> Lines;
        const TIsolatedOutcome R = RunIsolated(
            [&C](const TLineSink& Emit) {
                Emit("before");
                C.End();
            },
            [&Lines](const std::string& Line) { Lines.push_back(Line); }, C.Timeout);
        EXPECT_FALSE(R.Completed);
        EXPECT_NE(R.Reason.find(C.Reason), std::string::npos) << R.Reason;
        EXPECT_EQ(Lines, (std::vector<std::string>{"before"}));
    }
}

} // namespace
