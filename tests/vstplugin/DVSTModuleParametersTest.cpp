// Parameter values and curves, change-event order, re-entry guards, automation, program switching.
#include <atomic>
#include <cmath>
#include <thread>

#include <gtest/gtest.h>

#include "TestModule.h"
#include "platform/Exceptions.h"

namespace
{
class Parameters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TRecordingHost::Current = &Host;
        Module.SetAudioMaster(&TRecordingHost::Callback);
        Module.Log.clear();
        Host.Calls.clear();
    }
    void TearDown() override { TRecordingHost::Current = nullptr; }
    TRecordingHost Host;
    TTestModule Module;
    AEffect* E = Module.Effect();
};

TEST_F(Parameters, CurvesMapNormalisedToRealAndBack)
{
    struct TCase
    {
        int Index;
        float Normalised, Real, Tolerance;
    };
    const TCase Cases[] = {
        {0, 0.0f, 20.0f, 0.0f},     {0, 0.25f, 112.40f, 0.01f}, {0, 0.5f, 632.16f, 0.01f},
        {0, 0.75f, 3555.69f, 0.01f}, {0, 1.0f, 20000.0f, 0.0f},  {1, 0.5f, 0.0f, 0.0f},
        {1, 0.75f, 7.5f, 0.0f},      {3, 0.5f, 9.0f, 0.1f},
    };
    for (const TCase& C : Cases)
    {
        E->setParameter(E, C.Index, C.Normalised);
        EXPECT_NEAR(Module.Parameter(C.Index), C.Real, C.Tolerance) << C.Index << " " << C.Normalised;
        EXPECT_NEAR(E->getParameter(E, C.Index), C.Normalised, 1e-6f) << C.Index << " " << C.Normalised;
    }
}

TEST_F(Parameters, NormalisedValuesAreClampedAndFrequencyScaleUsesItsLogFormula)
{
    EXPECT_EQ(Module.ParameterToNormalized(1, -40.0f), 0.0f);
    EXPECT_EQ(Module.ParameterToNormalized(1, 40.0f), 1.0f);
    EXPECT_EQ(Module.ParameterToNormalized(3, 100.0f), 1.0f); // ln(101)/ln(100) clamped
    EXPECT_NEAR(Module.ParameterToNormalized(3, 50.0f), std::log(51.0) / std::log(100.0), 1e-6);
    EXPECT_EQ(Module.ParameterToNormalized(4, 1.0f), 0.0f);
    EXPECT_EQ(Module.ParameterToNormalized(-1, 1.0f), 0.0f);
}

TEST_F(Parameters, SmoothingAdvancesOncePerHostWrite)
{
    TCustomVstParameterProperty& D = Module.ParameterProperties()[2];
    D.SmoothingFactor = 0.5f;
    std::vector<float> Stored;
    for (int I = 0; I < 3; ++I)
    {
        E->setParameter(E, 2, 1.0f);
        Stored.push_back(Module.Parameter(2));
    }
    EXPECT_EQ(Stored, (std::vector<float>{0.25f, 0.5f, 0.6875f}));
}

TEST_F(Parameters, DefaultSmoothingStoresEachHostValueExactly)
{
    // A small value after a large one: rounding Value - state to a float on the way would store 0.
    const float Writes[] = {0.75f, 1e-8f, 0.5f, 3e-9f, 1.0f, 0.0f};
    for (float Normalised : Writes)
    {
        E->setParameter(E, 2, Normalised);
        EXPECT_EQ(Module.Parameter(2), Normalised);
    }
}

TEST_F(Parameters, WriteFiresDeclarationThenModuleHandlerAndMarksEditor)
{
    Module.SetParameter(1, 3.0f);
    EXPECT_EQ(Module.Log, (std::vector<std::string>{"P1=3.000000", "M1"}));
    EXPECT_TRUE(Module.EditorNeedsUpdate());
    EXPECT_EQ(Module.Programs()[0].ParameterValues[1], 3.0f);
}

TEST_F(Parameters, HandlerWritingAnotherParameterIsIgnored)
{
    Module.WriteOtherInHandler = true;
    Module.SetParameter(1, 3.0f);
    EXPECT_EQ(Module.Parameter(0), 0.0f); // the handler's write of 99 was ignored
    EXPECT_EQ(Module.Log, (std::vector<std::string>{"P1=3.000000", "M1"}));
}

// The re-entry guards hold for the thread that entered them: a handler may write another module, and another
// thread's write (and its report to the host) goes ahead while the first thread is inside a host write.
TEST_F(Parameters, GuardsStopReentryOnlyOnTheirOwnThread)
{
    TTestModule Other;
    Module.OnParameterChange = [&](TComponent*, std::int32_t Index, float& Value) {
        if (Index == 0)
            Other.SetParameter(1, Value / 1000.0f);
    };
    Module.SetParameter(0, 2000.0f);
    EXPECT_EQ(Other.Parameter(1), 2.0f) << "a module written from another module's handler";

    std::atomic<bool> Inside{false}, Written{false};
    Module.OnParameterChange = [&](TComponent*, std::int32_t Index, float&) {
        if (Index != 1)
            return;
        Inside.store(true);
        Inside.notify_all();
        Written.wait(false);
    };
    std::thread HostWrite([&] { E->setParameter(E, 1, 0.25f); });
    Inside.wait(false);
    Module.SetParameterAutomated(3, 40.0f);
    Written.store(true);
    Written.notify_all();
    HostWrite.join();
    EXPECT_EQ(Module.Parameter(3), 40.0f);
    EXPECT_EQ(Module.Parameter(1), -7.5f);
    ASSERT_EQ(Host.Count(audioMasterAutomate), 1);
    EXPECT_EQ(Host.Only(audioMasterAutomate)[0].Index, 3);
}

TEST_F(Parameters, BadIndexRaisesAndTouchesNothing)
{
    for (int Index : {-1, 4, 100})
    {
        try
        {
            Module.SetParameter(Index, 1.0f);
            FAIL() << Index;
        }
        catch (const EMarvoError& Error)
        {
            EXPECT_STREQ(Error.what(), "Index out of bounds");
        }
    }
    EXPECT_TRUE(Module.Log.empty());
    Module.SetParameter(1, 2.0f); // the guard was cleared
    EXPECT_EQ(Module.Parameter(1), 2.0f);
}

TEST_F(Parameters, AutomationIsReportedOnlyForEditorSideWrites)
{
    Module.SetParameterAutomated(1, 7.5f);
    auto Automate = Host.Only(audioMasterAutomate);
    ASSERT_EQ(Automate.size(), 1u);
    EXPECT_EQ(Automate[0].Index, 1);
    EXPECT_EQ(Automate[0].Opt, 0.75f);
    E->setParameter(E, 1, 0.25f); // the host's own write is stored, not reported back
    EXPECT_EQ(Module.Parameter(1), -7.5f);
    Module.SetParameterAutomated(2, 0.5f); // CanBeAutomated false
    Module.SetParameterAutomated(7, 0.5f); // beyond the declarations: nothing
    Module.SetParameterAutomated(-1, 0.5f);
    EXPECT_EQ(Host.Count(audioMasterAutomate), 1);
}

TEST_F(Parameters, HandlerWriteDuringAHostWriteIsNotReported)
{
    Module.OnParameterChange = [&](TComponent*, std::int32_t Index, float&) {
        if (Index == 1)
            Module.SetParameterAutomated(0, 100.0f);
    };
    E->setParameter(E, 1, 0.5f);
    EXPECT_EQ(Host.Count(audioMasterAutomate), 0);
}

TEST_F(Parameters, HostWriteOutsideTheDeclarationsFiresSizeFailedOrNothing)
{
    int Failed = 0;
    E->setParameter(E, 9, 0.5f);
    E->setParameter(E, -1, 0.5f);
    Module.OnParameterSizeFailed = [&](TComponent*) { ++Failed; };
    E->setParameter(E, 9, 0.5f);
    E->setParameter(E, -1, 0.5f);
    EXPECT_EQ(Failed, 2);
    EXPECT_TRUE(Module.Log.empty());
    EXPECT_EQ(E->getParameter(E, 9), 0.0f);
    EXPECT_EQ(E->getParameter(E, -3), 0.0f);
}

TEST_F(Parameters, ProgramSwitchFiresEventsInOrderThenUpdatesDisplay)
{
    Module.Programs()[2].ParameterValues = {100.0f, 1.0f, 0.5f, 10.0f};
    E->dispatcher(E, effSetProgram, 0, 2, nullptr, 0.0f);
    const std::vector<std::string> Expected = {"before", "after", "P0=100.000000", "M0", "P1=1.000000", "M1",
                                               "M2", "M3"};
    EXPECT_EQ(Module.Log, Expected);
    EXPECT_EQ(Module.CurrentProgram(), 2);
    EXPECT_EQ(Host.Calls.back().Opcode, audioMasterUpdateDisplay);
    EXPECT_EQ(E->dispatcher(E, effGetProgram, 0, 0, nullptr, 0.0f), 2);
}

TEST_F(Parameters, EachProgramKeepsItsOwnValues)
{
    Module.SetCurrentProgram(2);
    Module.SetParameter(1, 5.0f);
    Module.SetCurrentProgram(1);
    EXPECT_EQ(Module.Parameter(1), 0.0f);
    Module.SetCurrentProgram(2);
    EXPECT_EQ(Module.Parameter(1), 5.0f);
}

TEST_F(Parameters, InvalidOrSameProgramIsSkippedByTheDispatcher)
{
    for (VstIntPtr Program : {VstIntPtr(0), VstIntPtr(3), VstIntPtr(-1), VstIntPtr(7)})
        E->dispatcher(E, effSetProgram, 0, Program, nullptr, 0.0f);
    EXPECT_TRUE(Module.Log.empty());
    EXPECT_EQ(Module.CurrentProgram(), 0);
    Module.SetCurrentProgram(7); // the property still asks the host to update its display
    EXPECT_EQ(Host.Count(audioMasterUpdateDisplay), 1);
    EXPECT_TRUE(Module.Log.empty());
}

TEST_F(Parameters, NamesAreCutToTheirLimits)
{
    Module.SetCurrentProgramName(std::string(60, 'x'));
    EXPECT_EQ(Module.CurrentProgramName(), std::string(50, 'x'));
    TCustomVstParameterProperty& D = Module.ParameterProperties()[3];
    EXPECT_EQ(D.DisplayName(), "Parameter 4");
    D.SetDisplayName(std::string(40, 'y'));
    EXPECT_EQ(D.DisplayName().size(), 30u);
    D.SetShortLabel("123456789");
    EXPECT_EQ(D.ShortLabel(), "1234567");
}

TEST_F(Parameters, RemovingADeclarationRemovesItsOwnValueAndRecounts)
{
    Module.Programs()[0].ParameterValues = {1.0f, 2.0f, 3.0f, 4.0f};
    Module.ParameterProperties().Delete(1);
    EXPECT_EQ(Module.numParams(), 3);
    EXPECT_EQ(Module.Programs()[0].ParameterValues, (std::vector<float>{1.0f, 3.0f, 4.0f}));
}

TEST(ParametersWithoutPrograms, ModuleKeepsItsOwnValues)
{
    TBareModule Module;
    Module.ParameterProperties().Add();
    Module.ParameterProperties().Add();
    EXPECT_EQ(Module.numParams(), 2);
    EXPECT_EQ(Module.ParameterProperties()[1].DisplayName(), "Parameter 2");
    Module.SetParameter(1, 0.5f);
    EXPECT_EQ(Module.ParameterValues(), (std::vector<float>{0.0f, 0.5f}));
}
} // namespace
