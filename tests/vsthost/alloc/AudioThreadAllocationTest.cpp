// A host's audio thread meets the equaliser's library for the first time (a new thread, the library loaded
// from its file long before): its first automated block must not allocate. Every allocation of this
// process (natively) or of the library and this program (Windows: their imports) is counted while the
// counting is on. The spectrum's tap records the blocks meanwhile, as it does while an editor shows it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "equaliser/SEQRequests.h"
#include "equaliser/SEQAnalysis.h"
#include "platform/AllocationCounter.h"
#include "platform/System.h"
#include "vsthost/DVSTHost.h"

namespace
{

// The counted allocations' callers, for addr2line.
std::string Callers(const TAllocationCount& Counted)
{
    std::string Text;
    for (std::uintptr_t Caller : Counted.Callers)
        if (Caller)
        {
            char Hex[2 + 2 * sizeof Caller + 1];
            std::snprintf(Hex, sizeof Hex, "%#zx", static_cast<std::size_t>(Caller));
            Text += ' ';
            Text += Hex;
        }
    return Text;
}

// An automated block as a host's audio thread plays it: every parameter written, then the audio.
void AutomatedBlock(TVstPlugIn& P, float** Channels, float Value)
{
    for (std::int32_t I = 0; I < P.numParams(); ++I)
        P.SetParameter(I, Value);
    P.ProcessReplacing(Channels, Channels, 256);
}

TEST(AudioThreadAllocation, FirstAutomatedBlockOnANewThreadAllocatesNothing)
{
    TVstHost Host;
    TVstPlugIn* P = Host.VstPlugIns().Add();
    const std::string LibraryName = std::string("SmallEQ") + DynamicLibraryExtension();
    P->SetDLLFileName(ExtractFilePath(ExecutablePath()) + LibraryName);
    P->SetActive(true);
    ASSERT_TRUE(InstallAllocationCounter(LibraryName.c_str()));
    std::vector<float> Left(256, 0.25f), Right(256, -0.25f);
    float* Channels[2] = {Left.data(), Right.data()};
    AutomatedBlock(*P, Channels, 0.5f); // the main thread's first use is not what is measured
    TSpectrumTap* Tap = nullptr;
    ASSERT_EQ(P->VstDispatch(effVendorSpecific, kSEQRequestGetSpectrumTap, 0, &Tap), 1);

    // Several fresh threads, one after another: the first use on each is what may allocate.
    for (int Round = 0; Round < 3; ++Round)
    {
        Tap->SetSource(Round == 1 ? spsInput : spsOutput);
        const std::uint32_t Recorded = Tap->Recorded();
        TAllocationCount Counted;
        std::thread Audio([&] {
            StartCountingAllocations();
            AutomatedBlock(*P, Channels, 0.25f + 0.25f * static_cast<float>(Round));
            Counted = StopCountingAllocations();
        });
        Audio.join();
        EXPECT_EQ(Counted.Count, 0) << "round " << Round << ", first callers:" << Callers(Counted);
        EXPECT_EQ(Tap->Recorded() - Recorded, 256u) << "the tap recorded the block";
    }
    // The blocks were played: the writes reached the equaliser.
    EXPECT_NEAR(P->GetParameter(0), 0.75f, 1e-5f);
}

} // namespace
