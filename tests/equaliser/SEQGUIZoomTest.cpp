// The editor's zoom: where it starts, how it paints and reads the mouse, how a host hears of a new size, and
// where the listener's choice is kept.
#ifdef MARVO_HEADLESS

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "SEQGUITestSupport.h"
#include "equaliser/SEQRequests.h"
#include "equaliser/SmallEQEntry.h"
#include "platform/System.h"
#include "support/TempPath.h"
#include "vstplugin/DVSTVersionHost.h"

namespace
{

// What the host answers to audioMasterSizeWindow, and what it was asked.
bool GHostAcceptsSize = true;
std::vector<std::pair<int, int>> GSizeRequests;

VstIntPtr VSTCALL SizingHost(AEffect*, VstInt32 Opcode, VstInt32 Index, VstIntPtr Value, void*, float)
{
    if (Opcode == audioMasterSizeWindow)
    {
        GSizeRequests.emplace_back(Index, static_cast<int>(Value));
        return GHostAcceptsSize ? 1 : 0;
    }
    return VersionOnlyHost(nullptr, Opcode, 0, 0, nullptr, 0.0f);
}

// The module with the sizing host, opened after Before ran on it (the host's requests before effEditOpen).
struct TZoomedEditor
{
    template <class F>
    explicit TZoomedEditor(F Before)
    {
        TFormDeclaration D;
        D.Name = "HostWindow";
        D.ClientWidth = 600;
        D.ClientHeight = 400;
        Parent = new TForm(nullptr, D);
        Parent->Show();
        Module = new TSmallEQPlugIn(nullptr);
        Module->SetAudioMaster(&SizingHost);
        Host.E = Module->Effect();
        Host.Dispatch(effOpen);
        Before(Host);
        Host.Dispatch(effEditOpen, 0, 0, Parent->Handle());
        Editor = Module->Editor();
    }
    ~TZoomedEditor()
    {
        Host.Dispatch(effEditClose);
        Host.Dispatch(effClose);
        delete Parent;
    }
    std::pair<int, int> Rect() const
    {
        ERect* R = nullptr;
        Host.Dispatch(effEditGetRect, 0, 0, &R);
        return {R->right - R->left, R->bottom - R->top};
    }
    void ChooseInMeterMenu(const std::string& Item) const
    {
        HeadlessDriver::ChooseInNextPopup(Item);
        HeadlessDriver::MouseDown(*Editor, TMouseButton::mbRight, ssRight, 128 * Editor->Zoom(), 10 * Editor->Zoom());
        HeadlessDriver::MouseUp(*Editor, TMouseButton::mbRight, 0, 128 * Editor->Zoom(), 10 * Editor->Zoom());
    }

    TFPUControlScope FPU;
    TForm* Parent = nullptr;
    TSmallEQPlugIn* Module = nullptr;
    THostView Host{};
    TFmVornEQ* Editor = nullptr;
};

void NoRequest(THostView&) {}

class SEQGUIZoom : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HeadlessDriver::Reset();
        GHostAcceptsSize = true;
        GSizeRequests.clear();
        const char* Previous = std::getenv("XDG_CONFIG_HOME");
        FPrevious = Previous ? Previous : "";
        FHadPrevious = Previous != nullptr;
        std::filesystem::create_directories(FFolder);
        ::setenv("XDG_CONFIG_HOME", FFolder.c_str(), 1);
    }
    void TearDown() override
    {
        if (FHadPrevious)
            ::setenv("XDG_CONFIG_HOME", FPrevious.c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(FFolder);
        HeadlessDriver::Reset();
    }

    std::string FFolder = TempPath("zoom-settings");
    std::string FPrevious;
    bool FHadPrevious = false;
};

} // namespace

// (The zoomed pixels and a zoomed drag with real input: the editor behaviour suite.) The warp of a drag goes
// to the middle of the panel pixel's block, and a factor sent while the editor is open applies at once.
TEST_F(SEQGUIZoom, AHostFactorZoomsTheOpenEditorAndADragWarpsToTheMiddleOfABlock)
{
    TZoomedEditor Open([](THostView& H) { H.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, 2.0f); });
    TFmVornEQ& E = *Open.Editor;
    HeadlessDriver::MouseDown(E, TMouseButton::mbLeft, ssLeft, 2 * 30, 2 * 20 + 1);
    const TPoint Centre = E.ScreenToClient(GetPointerPos());
    EXPECT_EQ(Centre.X, 2 * 44 + 1);
    EXPECT_EQ(Centre.Y, 2 * 23 + 1);
    HeadlessDriver::MouseUp(E, TMouseButton::mbLeft, 0, Centre.X, Centre.Y);

    Open.Host.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, 3.0f);
    EXPECT_EQ(Open.Rect(), (std::pair<int, int>{393, 105}));
    EXPECT_EQ(GSizeRequests.back(), (std::pair<int, int>{393, 105}));
}

TEST_F(SEQGUIZoom, TheStartingZoomIsTheChoiceElseTheHostsFactorElseTheScreensRoundedAndLimited)
{
    struct TCase
    {
        int Chosen;
        float HostFactor; // 0: the host sends none
        double Screen;
        int Zoom;
    } const Cases[] = {
        {0, 0.0f, 1.0, 1}, {0, 0.0f, 2.4, 2}, {0, 0.0f, 2.5, 3}, {0, 2.6f, 1.0, 3}, {0, 1.4f, 3.0, 1},
        {2, 4.0f, 3.0, 2}, {0, 9.0f, 1.0, 4}, {0, 0.3f, 1.0, 1}, {0, 0.0f, 0.5, 1}, {0, 0.0f, 7.0, 4},
    };
    for (const TCase& C : Cases)
    {
        HeadlessDriver::SetDisplayScale(C.Screen);
        TZoomedEditor Open([&](THostView& H) {
            if (C.Chosen)
                H.Dispatch(effVendorSpecific, kSEQRequestSetView, C.Chosen, nullptr, 0.0f);
            if (C.HostFactor > 0.0f)
                H.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, C.HostFactor);
        });
        EXPECT_EQ(Open.Editor->Zoom(), C.Zoom) << C.Chosen << " " << C.HostFactor << " " << C.Screen;
        EXPECT_EQ(Open.Rect(), (std::pair<int, int>{131 * C.Zoom, 35 * C.Zoom}));
    }
}

TEST_F(SEQGUIZoom, AChosenZoomAsksTheHostIsCheckedAndIsTheUsersPreferenceNextTime)
{
    {
        TZoomedEditor Open(NoRequest);
        EXPECT_TRUE(Open.Editor->MenuItem("MIZoom1")->Checked());
        Open.ChooseInMeterMenu("MIZoom3");
        EXPECT_EQ(GSizeRequests, (std::vector<std::pair<int, int>>{{393, 105}}));
        EXPECT_EQ(Open.Rect(), (std::pair<int, int>{393, 105}));
        EXPECT_TRUE(Open.Editor->MenuItem("MIZoom3")->Checked());
        EXPECT_FALSE(Open.Editor->MenuItem("MIZoom1")->Checked());
        // A host's factor does not override the listener's choice.
        Open.Host.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, 2.0f);
        EXPECT_EQ(Open.Editor->Zoom(), 3);
    }
    TZoomedEditor Next(NoRequest);
    EXPECT_EQ(Next.Editor->Zoom(), 3);
}

TEST_F(SEQGUIZoom, AHostThatRefusesTheSizeGetsTheLargestZoomThatFitsWhatItAccepted)
{
    TZoomedEditor Open([](THostView& H) { H.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, 2.0f); });
    GHostAcceptsSize = false;
    Open.ChooseInMeterMenu("MIZoom4");
    EXPECT_EQ(GSizeRequests, (std::vector<std::pair<int, int>>{{524, 140}}));
    EXPECT_EQ(Open.Editor->Zoom(), 2);
    EXPECT_EQ(Open.Rect(), (std::pair<int, int>{262, 70}));
    EXPECT_TRUE(Open.Editor->MenuItem("MIZoom2")->Checked());
    // With the response view the panel no longer fits at 2: it is drawn at 1.
    Open.Editor->MenuItem("MIShowResponse")->Click();
    EXPECT_EQ(Open.Editor->Zoom(), 1);
    EXPECT_EQ(Open.Rect(), (std::pair<int, int>{131, 95}));
}

TEST_F(SEQGUIZoom, AHostThatKeepsTheViewGetsItBackAndTheUsersPreferenceIsLeftAlone)
{
    {
        TZoomedEditor Open([](THostView& H) { H.Dispatch(effVendorSpecific, kSEQRequestSetView, 2, nullptr, 1.0f); });
        EXPECT_EQ(Open.Rect(), (std::pair<int, int>{262, 190}));
        Open.ChooseInMeterMenu("MIZoom1");
        EXPECT_EQ(Open.Host.Dispatch(effVendorSpecific, kSEQRequestGetView), 1 + kSEQViewResponseShown);
        EXPECT_EQ(Open.Host.Dispatch(effVendorSpecific, kSEQRequestSetView, 5), 0);
        // Handed over while open: the editor follows at once.
        Open.Host.Dispatch(effVendorSpecific, kSEQRequestSetView, 3, nullptr, 0.0f);
        EXPECT_EQ(Open.Rect(), (std::pair<int, int>{393, 105}));
    }
    TZoomedEditor Plain(NoRequest);
    EXPECT_EQ(Plain.Editor->Zoom(), 1);
    EXPECT_FALSE(Plain.Editor->ResponseShown());
}

// "Fast processing" switches the engine of the module that processes the blocks and is the listener's
// preference from then on; a host that keeps the view keeps the engine too and leaves the preference alone.
TEST_F(SEQGUIZoom, FastProcessingIsCheckedSwitchesTheModuleAndIsKeptLikeTheZoom)
{
    const auto Engine = [](const TZoomedEditor& E) { return E.Host.Dispatch(effVendorSpecific, kSEQRequestGetEngine); };
    {
        TZoomedEditor Open(NoRequest);
        EXPECT_EQ(Engine(Open), kSEQEngineReference) << "nothing chosen: the reference";
        EXPECT_FALSE(Open.Editor->MenuItem("MIFastProcessing")->Checked());
        Open.ChooseInMeterMenu("MIFastProcessing");
        EXPECT_EQ(Engine(Open), kSEQEngineFast);
        EXPECT_TRUE(Open.Editor->MenuItem("MIFastProcessing")->Checked());
    }
    THostView Windowless{SmallEQMain(&VersionOnlyHost)};
    EXPECT_EQ(Windowless.Dispatch(effVendorSpecific, kSEQRequestGetEngine), kSEQEngineFast)
        << "the preference applies before any editor opens";
    Windowless.Dispatch(effClose);
    {
        TZoomedEditor Kept([](THostView& H) { H.Dispatch(effVendorSpecific, kSEQRequestSetView, 1, nullptr, 0.0f); });
        EXPECT_EQ(Engine(Kept), kSEQEngineReference) << "the host's choice, not the preference";
        EXPECT_FALSE(Kept.Editor->MenuItem("MIFastProcessing")->Checked());
        Kept.ChooseInMeterMenu("MIFastProcessing");
        EXPECT_EQ(Kept.Host.Dispatch(effVendorSpecific, kSEQRequestGetView), 1 + kSEQViewFastProcessing);
        Kept.ChooseInMeterMenu("MIFastProcessing");
        EXPECT_EQ(Kept.Host.Dispatch(effVendorSpecific, kSEQRequestSetView, 2 + kSEQViewFastProcessing, nullptr, 1.0f), 1);
        EXPECT_EQ(Engine(Kept), kSEQEngineFast);
        EXPECT_TRUE(Kept.Editor->MenuItem("MIFastProcessing")->Checked());
    }
    TZoomedEditor Next(NoRequest);
    EXPECT_EQ(Engine(Next), kSEQEngineFast) << "the host's choices did not touch the preference";
    Next.ChooseInMeterMenu("MIFastProcessing");
    TZoomedEditor Last(NoRequest);
    EXPECT_EQ(Engine(Last), kSEQEngineReference) << "a kept 'no' is a choice too";
}

// The response view inside the editor at zoom 2: under the panel in the window, its handles select, drag
// and widen their bands with the window's own mouse input, and a change made on another thread reaches it
// through the update timer.
TEST_F(SEQGUIZoom, TheResponseViewUnderThePanelFollowsTheMouseAndChangesFromElsewhere)
{
    TZoomedEditor Open([](THostView& H) { H.Dispatch(effVendorSpecific, kSEQRequestSetView, 2, nullptr, 1.0f); });
    TFmVornEQ& E = *Open.Editor;
    TSmallEQModule& M = *Open.Module;
    ASSERT_TRUE(E.ResponseShown());
    EXPECT_TRUE(E.MenuItem("MIShowResponse")->Checked());
    for (int y = 0; y < 60; y += 7)
        for (int x = 0; x < 131; x += 5)
            ASSERT_EQ(HeadlessDriver::Pixel(E, 2 * x + 1, 2 * (35 + y)), E.ResponseBitmap().Pixel(x, y)) << x << ", " << y;

    // A press on band 6's handle selects it and the read-outs follow; a drag moves it (how far: the suite)
    // and leaves the cursor shown.
    const TPoint H = E.Response().HandleCentre(5);
    const float f = M.Parameter(20);
    HeadlessDriver::MouseDown(E, TMouseButton::mbLeft, ssLeft, 2 * H.X, 2 * (35 + H.Y));
    EXPECT_EQ(E.SelectedFilter(), 5);
    EXPECT_EQ(E.FrequencyText(), "4.00 kHz");
    HeadlessDriver::MouseMove(E, ssLeft, 2 * H.X + 20, 2 * (35 + H.Y));
    HeadlessDriver::MouseUp(E, TMouseButton::mbLeft, 0, 2 * H.X + 20, 2 * (35 + H.Y));
    EXPECT_NE(E.FrequencyText(), "4.00 kHz");
    EXPECT_GT(M.Parameter(20), f);
    EXPECT_EQ(Application().Cursor(), TCursor::crDefault);

    // The wheel over band 2's handle narrows it and selects it; over the panel it does nothing.
    const TPoint H2 = E.Response().HandleCentre(1);
    const float w = M.Parameter(6);
    HeadlessDriver::MouseWheel(E, 0, 120, 2 * H2.X, 2 * (35 + H2.Y));
    EXPECT_EQ(E.SelectedFilter(), 1);
    EXPECT_LT(M.Parameter(6), w);
    HeadlessDriver::MouseWheel(E, 0, 120, 2 * 30, 2 * 20);
    EXPECT_EQ(E.SelectedFilter(), 1);

    // A right-click on the view offers the strip's menu, where the view is hidden again.
    HeadlessDriver::ChooseInNextPopup("MIShowResponse");
    HeadlessDriver::MouseDown(E, TMouseButton::mbRight, ssRight, 20, 2 * 80);
    EXPECT_EQ(HeadlessDriver::Popups().back().MenuName, "PUOverview");
    EXPECT_FALSE(E.ResponseShown());
    EXPECT_EQ(Open.Rect(), (std::pair<int, int>{262, 70}));
    HeadlessDriver::MouseUp(E, TMouseButton::mbRight, 0, 20, 2 * 80);

    // Shown again: a gain written on another thread is drawn by the update timer, on the window's thread.
    E.MenuItem("MIShowResponse")->Click();
    TBitmap32 Before;
    Before.Assign(E.ResponseBitmap());
    std::thread([&] { M.SetParameterAutomated(13, 12.0f); }).join();
    EXPECT_TRUE(HeadlessDriver::FireTimer(*E.Timer("UpdateTimer")));
    bool Changed = false;
    for (int y = 0; y < 60 && !Changed; ++y)
        for (int x = 0; x < 131 && !Changed; ++x)
            Changed = E.ResponseBitmap().Pixel(x, y) != Before.Pixel(x, y);
    EXPECT_TRUE(Changed);
}

// "Show spectrum: off / output / input": a radio in the strip's menu, off at first; the choice is the
// listener's preference (or the host's, when it keeps the view), and the module's tap records the chosen
// source only while the response view shows it and the editor is open.
TEST_F(SEQGUIZoom, TheSpectrumIsAChoiceOfThreeKeptLikeTheZoomAndRecordedOnlyWhileShown)
{
    const std::vector<std::pair<std::string, std::string>> Items = {
        {"MISpectrumOff", "Show spectrum: off"},
        {"MISpectrumOutput", "Show spectrum: output"},
        {"MISpectrumInput", "Show spectrum: input"}};
    const auto Checked = [&](const TFmVornEQ& E) {
        std::string Name;
        for (const auto& [Item, Caption] : Items)
        {
            EXPECT_EQ(E.MenuItem(Item)->Caption(), Caption);
            if (E.MenuItem(Item)->Checked())
                Name += Item;
        }
        return Name;
    };
    {
        TZoomedEditor Open(NoRequest);
        TFmVornEQ& E = *Open.Editor;
        TSpectrumTap& Tap = Open.Module->SpectrumTap();
        EXPECT_EQ(Checked(E), "MISpectrumOff");
        E.MenuItem("MISpectrumInput")->Click();
        EXPECT_EQ(Checked(E), "MISpectrumInput");
        EXPECT_EQ(Tap.Source(), spsOff) << "the response view is hidden: nothing recorded";
        E.MenuItem("MIShowResponse")->Click();
        EXPECT_EQ(Tap.Source(), spsInput);
        E.MenuItem("MISpectrumOutput")->Click();
        EXPECT_EQ(Tap.Source(), spsOutput);
        EXPECT_EQ(Open.Host.Dispatch(effVendorSpecific, kSEQRequestGetView), kSEQViewResponseShown + kSEQViewSpectrumOutput);
        E.MenuItem("MIShowResponse")->Click();
        EXPECT_EQ(Tap.Source(), spsOff);
        E.MenuItem("MIShowResponse")->Click();
        Open.Host.Dispatch(effEditClose);
        EXPECT_EQ(Tap.Source(), spsOff) << "closing the editor stops the recording";
        Open.Host.Dispatch(effEditOpen, 0, 0, Open.Parent->Handle());
        Open.Editor = Open.Module->Editor();
        EXPECT_EQ(Tap.Source(), spsOutput) << "open again: recording again";
    }
    {
        TZoomedEditor Next(NoRequest);
        EXPECT_EQ(Checked(*Next.Editor), "MISpectrumOutput") << "the listener's preference";
        EXPECT_EQ(Next.Module->SpectrumTap().Source(), spsOutput);
    }
    // A host that keeps the view hands the choice over and gets it back; both sources at once are refused.
    TZoomedEditor Kept([](THostView& H) {
        H.Dispatch(effVendorSpecific, kSEQRequestSetView, 1 + kSEQViewSpectrumInput, nullptr, 1.0f);
    });
    EXPECT_EQ(Checked(*Kept.Editor), "MISpectrumInput");
    EXPECT_EQ(Kept.Module->SpectrumTap().Source(), spsInput);
    EXPECT_EQ(Kept.Host.Dispatch(effVendorSpecific, kSEQRequestSetView,
                                 1 + kSEQViewSpectrumInput + kSEQViewSpectrumOutput, nullptr, 1.0f), 0);
    EXPECT_EQ(Kept.Host.Dispatch(effVendorSpecific, kSEQRequestSetView, 1, nullptr, 1.0f), 1);
    EXPECT_EQ(Checked(*Kept.Editor), "MISpectrumOff");
    EXPECT_EQ(Kept.Module->SpectrumTap().Source(), spsOff);
    EXPECT_EQ(Kept.Host.Dispatch(effVendorSpecific, kSEQRequestGetView), 1 + kSEQViewResponseShown);

    // A host that can reach no audio for the editor disables the items; a tap it names is the one recorded.
    EXPECT_EQ(Kept.Host.Dispatch(effVendorSpecific, kSEQRequestSetSpectrumTap, 0, nullptr), 1);
    for (const auto& Item : Items)
        EXPECT_FALSE(Kept.Editor->MenuItem(Item.first)->Enabled()) << Item.first;
    TSpectrumTap Other;
    Kept.Host.Dispatch(effVendorSpecific, kSEQRequestSetSpectrumTap, 0, &Other);
    Kept.Editor->MenuItem("MISpectrumOutput")->Click();
    EXPECT_EQ(Other.Source(), spsOutput);
    EXPECT_EQ(Kept.Module->SpectrumTap().Source(), spsOff);
    Kept.Host.Dispatch(effEditClose);
    EXPECT_EQ(Other.Source(), spsOff);
}

// A 1 kHz sine of -12 dBFS through the equaliser: its peak is drawn in the column of 1 kHz, at -12 dB on the
// spectrum's scale (0 dBFS at the plot's top, -90 at its bottom), and nowhere higher.
TEST_F(SEQGUIZoom, ASinesPeakIsDrawnInTheColumnOfItsFrequency)
{
    TZoomedEditor Open([](THostView& H) {
        H.Dispatch(effVendorSpecific, kSEQRequestSetView, 1 + kSEQViewSpectrumOutput, nullptr, 1.0f);
    });
    TFmVornEQ& E = *Open.Editor;
    TBitmap32 Without;
    Without.Assign(E.ResponseBitmap());
    std::vector<float> L(512), R(512);
    for (int Block = 0; Block < 20; ++Block)
    {
        for (std::size_t n = 0; n < L.size(); ++n)
            L[n] = R[n] = static_cast<float>(0.25118864 * std::sin(2.0 * std::numbers::pi * 1000.0 *
                                                                   static_cast<double>(Block * 512 + n) / 44100.0));
        Open.Host.Process(L, R);
    }
    EXPECT_TRUE(HeadlessDriver::FireTimer(*E.Timer("UpdateTimer")));
    // The highest row each column changed in: the sine's column reaches -12 dB, the columns beyond its
    // neighbours stay well below.
    std::vector<int> Top(131, 60);
    for (int x = 0; x < 131; ++x)
        for (int y = 59; y >= 0; --y)
            if (E.ResponseBitmap().Pixel(x, y) != Without.Pixel(x, y))
                Top[static_cast<std::size_t>(x)] = y;
    const int Column = static_cast<int>(std::lround(E.Response().XOfFrequency(1000.0)));
    const int Peak = Top[static_cast<std::size_t>(Column)];
    EXPECT_NEAR(Peak, E.Response().YOfLevel(-12.0), 1.0);
    for (int x = 0; x < 131; ++x)
        EXPECT_TRUE(std::abs(x - Column) <= 1 || Top[static_cast<std::size_t>(x)] > Peak + 2) << x;
}

#endif
