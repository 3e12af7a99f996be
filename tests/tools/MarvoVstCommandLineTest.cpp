// marvo-vst's command line and channel plan: what is accepted, what is refused as a usage mistake, and
// which files a plug-in can take.
#include <gtest/gtest.h>

#include "MarvoVst.h"

namespace
{

TEST(MarvoVstCommandLine, RefusesMistakesAsUsageErrorsWithTheReason)
{
    struct TCase
    {
        std::vector<std::string> Args;
        const char* Reason;
    };
    const TCase Cases[] = {
        {{}, "no command"},
        {{"frob", "x.so"}, "unknown command 'frob'"},
        {{"--frob"}, "unknown option '--frob'"},
        {{"info"}, "expects PLUGIN"},
        {{"info", "a.so", "b.so"}, "2 arguments"},
        {{"process", "a.so", "in.wav"}, "PLUGIN IN OUT"},
        {{"info", "a.so", "--block", "64"}, "'--block' does not apply to 'info'"},
        {{"save-fxp", "a.so", "f.fxp", "--generic", "list"}, "does not apply"},
        {{"process", "a.so", "i", "o", "--frob", "1"}, "unknown option '--frob'"},
        {{"process", "a.so", "i", "o", "--block"}, "needs a value"},
        {{"process", "a.so", "i", "o", "--block", "0"}, "--block '0'"},
        {{"process", "a.so", "i", "o", "--block", "65537"}, "--block '65537'"},
        {{"process", "a.so", "i", "o", "--block", "12x"}, "--block '12x'"},
        {{"process", "a.so", "i", "o", "--block=8", "--block=16"}, "given twice"},
        {{"process", "a.so", "i", "o", "--set", "3"}, "expected INDEX=VALUE"},
        {{"process", "a.so", "i", "o", "--set", "-1=0.5"}, "not a parameter index"},
        {{"process", "a.so", "i", "o", "--set", "x=0.5"}, "not a parameter index"},
        {{"process", "a.so", "i", "o", "--set", "1=half"}, "'half' is not a number"},
        {{"process", "a.so", "i", "o", "--set", "1="}, "is not a number"},
        {{"process", "a.so", "i", "o", "--set", "1=nan"}, "is not a number"},
        {{"process", "a.so", "i", "o", "--set", "1=0.5x"}, "is not a number"},
        {{"process", "a.so", "i", "o", "--set", "1=1.0001"}, "0..1"},
        {{"process", "a.so", "i", "o", "--set", "1=-0.01"}, "0..1"},
        {{"process", "a.so", "i", "o", "--fxp="}, "needs a file name"},
        {{"edit", "a.so", "--generic", "knobs"}, "'list' or 'selector'"},
        {{"validate", "a.so", "--level", "0"}, "--level '0': expected 1 to 5"},
        {{"validate", "a.so", "--level", "6"}, "--level '6'"},
        {{"validate", "a.so", "--rates", "44100,"}, "--rates '44100,'"},
        {{"validate", "a.so", "--rates", "999"}, "from 1000 to 768000"},
        {{"validate", "a.so", "--blocks", "0,512"}, "--blocks '0,512'"},
        {{"validate", "a.so", "--blocks", "65537"}, "--blocks '65537'"},
        {{"validate", "a.so", "--blocks", "1,,512"}, "--blocks '1,,512'"},
        {{"validate", "a.so", "--rates", ",44100"}, "--rates ',44100'"},
        {{"validate", "a.so", "--json="}, "needs a file name"},
        {{"validate", "a.so", "--set", "1=0.5"}, "'--set' does not apply to 'validate'"},
        {{"process", "a.so", "i", "o", "--level", "2"}, "'--level' does not apply to 'process'"},
        {{"process", "a.so", "i", "o", "--engine", "turbo"}, "expected 'fast' or 'reference'"},
        {{"info", "a.so", "--engine", "fast"}, "'--engine' does not apply to 'info'"},
    };
    for (const TCase& C : Cases)
    {
        std::string Joined;
        for (const std::string& A : C.Args)
            Joined += A + " ";
        SCOPED_TRACE(Joined);
        try
        {
            ParseCommandLine(C.Args);
            ADD_FAILURE() << "accepted";
        }
        catch (const EUsageError& E)
        {
            EXPECT_NE(std::string(E.what()).find(C.Reason), std::string::npos) << E.what();
        }
    }
}

TEST(MarvoVstCommandLine, TakesOptionsInEitherFormAndKeepsTheOrderOfSettings)
{
    const TCommandLine C = ParseCommandLine({"process", "--set", "2=1", "a.so", "in.wav", "--set=0=0",
                                             "--block=1", "out.wav", "--fxp", "p.fxp", "--set", "2=0.25"});
    EXPECT_EQ(C.Command, "process");
    EXPECT_EQ(C.Arguments, (std::vector<std::string>{"a.so", "in.wav", "out.wav"}));
    ASSERT_EQ(C.Settings.size(), 3u);
    EXPECT_EQ(C.Settings[0].Index, 2);
    EXPECT_EQ(C.Settings[0].Value, 1.0f);
    EXPECT_EQ(C.Settings[1].Index, 0);
    EXPECT_EQ(C.Settings[2].Value, 0.25f);
    EXPECT_EQ(C.BlockSize, 1);
    EXPECT_EQ(C.ProgramFile, "p.fxp");
    EXPECT_EQ(ParseCommandLine({"process", "a", "b", "c"}).BlockSize, kDefaultBlockSize);

    EXPECT_EQ(ParseCommandLine({"edit", "a.so", "--generic", "list"}).GenericEditor, gsList);
    EXPECT_EQ(ParseCommandLine({"edit", "a.so", "--generic=selector"}).GenericEditor, gsOld);
    EXPECT_EQ(ParseCommandLine({"edit", "a.so"}).GenericEditor, gsDefault);
    EXPECT_TRUE(ParseCommandLine({"process", "--help", "--frob"}).Help) << "help wins over mistakes";
    EXPECT_EQ(ParseCommandLine({"process", "a.so", "info", "edit"}).Arguments,
              (std::vector<std::string>{"a.so", "info", "edit"}))
        << "files named like commands are arguments";

    const TCommandLine V = ParseCommandLine({"validate", "a.so", "--level=5", "--rates", "96000,44100,96000",
                                             "--blocks=1", "--json", "r.json"});
    EXPECT_EQ(V.Level, 5);
    EXPECT_EQ(V.Rates, (std::vector<int>{96000, 44100})) << "in the given order, each once";
    EXPECT_EQ(V.Blocks, (std::vector<int>{1}));
    EXPECT_EQ(V.JsonFile, "r.json");
    EXPECT_EQ(ParseCommandLine({"validate", "a.so"}).Level, kDefaultValidateLevel);
}

TEST(MarvoVstChannels, AFileMustFitThePlugInsOutputsAndInputs)
{
    struct TCase
    {
        int File, Inputs, Outputs;
        int Planes; // 0: refused
        bool DuplicateMono;
    };
    const TCase Cases[] = {
        {2, 2, 2, 2, false}, {1, 2, 2, 2, true},  {1, 1, 1, 1, false}, {1, 1, 2, 2, false},
        {2, 0, 2, 2, false}, {2, 4, 4, 4, false}, {1, 0, 2, 2, false}, {2, 2, 6, 6, false},
        {2, 1, 1, 0, false}, {2, 1, 2, 0, false}, {2, 2, 1, 0, false}, {1, 2, 0, 0, false},
        {1, -1, 2, 0, false}, {1, 1, kMaxPlugInChannels + 1, 0, false},
    };
    for (const TCase& C : Cases)
    {
        SCOPED_TRACE(std::to_string(C.File) + " file channels, " + std::to_string(C.Inputs) + " in, " +
                     std::to_string(C.Outputs) + " out");
        if (C.Planes == 0)
            EXPECT_THROW(PlanChannels(C.File, C.Inputs, C.Outputs), std::runtime_error);
        else
        {
            const TChannelPlan P = PlanChannels(C.File, C.Inputs, C.Outputs);
            EXPECT_EQ(P.Planes, C.Planes);
            EXPECT_EQ(P.DuplicateMono, C.DuplicateMono);
        }
    }
}

} // namespace
