// The editor's edits as the host hears them: the effect's automation requests become beginEdit, performEdit
// and endEdit on the component handler, inside the effect's own gesture when it opened one; the controller
// and the saved state follow the edited value.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "equaliser/SEQGUI.h"
#include "equaliser/SEQRequests.h"
#include "platform/Forms.h"
#include "vst3/VST3Equaliser.h"
#include "vst3/VST3TestHost.h"
#include "vst3/VST3View.h"

using namespace VST3Marvo;

namespace
{

using VST3Host::TRecordingHandler;

struct TInstanceRef
{
    TVST3Equaliser* P = TVST3Equaliser::Create();
    ~TInstanceRef() { static_cast<IComponent*>(P)->release(); }
};

} // namespace

TEST(VST3Edits, AutomationBecomesAGestureUnlessTheEffectOpenedOne)
{
    TInstanceRef I;
    TRecordingHandler Handler;
    ASSERT_EQ(I.P->setComponentHandler(&Handler), kResultOk);
    EXPECT_EQ(Handler.References, 1);

    I.P->HostRequest(audioMasterAutomate, 13, 0, 0.75f);
    I.P->HostRequest(audioMasterBeginEdit, 5, 0, 0.0f);
    I.P->HostRequest(audioMasterAutomate, 5, 0, 0.25f);
    I.P->HostRequest(audioMasterAutomate, 5, 0, 0.5f);
    I.P->HostRequest(audioMasterEndEdit, 5, 0, 0.0f);
    I.P->HostRequest(audioMasterAutomate, 99, 0, 0.5f); // no such parameter
    const std::vector<std::string> Expected = {"begin 13", "perform 13 0.750000", "end 13",  "begin 5",
                                               "perform 5 0.250000", "perform 5 0.500000", "end 5"};
    EXPECT_EQ(Handler.Calls, Expected);
    EXPECT_EQ(I.P->getParamNormalized(13), 0.75);

    // The state keeps what the editor set.
    VST3Test::TMemoryStream Saved;
    ASSERT_EQ(I.P->getState(&Saved), kResultOk);
    float Value = 0.0f;
    std::memcpy(&Value, Saved.Data.data() + 12 + 4 * 13, sizeof Value);
    EXPECT_EQ(Value, 0.75f);

    // The host's own change of an inactive component reaches the effect (and so the open editor); the
    // editor's value handed back leaves the effect's exact value alone.
    AEffect* E = I.P->Effect();
    const float Own = E->getParameter(E, 13);
    ASSERT_NE(Own, 0.75f);
    ASSERT_EQ(I.P->setParamNormalized(13, 0.75), kResultOk);
    EXPECT_EQ(E->getParameter(E, 13), Own);
    ASSERT_EQ(I.P->setParamNormalized(9, 0.125), kResultOk);
    EXPECT_NEAR(E->getParameter(E, 9), 0.125f, 1e-6f);
    EXPECT_EQ(I.P->getParamNormalized(9), 0.125);

    I.P->terminate();
    EXPECT_EQ(Handler.References, 0);
    EXPECT_EQ(I.P->HostRequest(audioMasterBeginEdit, 5, 0, 0.0f), 0) << "no handler: nothing to tell";
}

namespace
{

// A host's frame with its run loop (the loop a Linux host offers; Windows hosts need none).
class TFrame final : public IPlugFrame, public IRunLoop
{
public:
    std::vector<ViewRect> Sizes;
    ITimerHandler* Timer = nullptr;
    TimerInterval Interval = 0;
    bool WithLoop = true;

    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override
    {
        *Object = WithLoop && SameId(Iid, kIRunLoopIid) ? static_cast<IRunLoop*>(this) : nullptr;
        return *Object ? kResultOk : kNoInterface;
    }
    uint32 VST3CALL addRef() override { return 2; }
    uint32 VST3CALL release() override { return 1; }
    tresult VST3CALL resizeView(IPlugView*, ViewRect* Size) override
    {
        Sizes.push_back(*Size);
        return kResultOk;
    }
    tresult VST3CALL registerEventHandler(IEventHandler*, FileDescriptor) override { return kResultOk; }
    tresult VST3CALL unregisterEventHandler(IEventHandler*) override { return kResultOk; }
    tresult VST3CALL registerTimer(ITimerHandler* Handler, TimerInterval Milliseconds) override
    {
        Timer = Handler;
        Interval = Milliseconds;
        return kResultOk;
    }
    tresult VST3CALL unregisterTimer(ITimerHandler* Handler) override
    {
        if (Handler == Timer)
            Timer = nullptr;
        return kResultOk;
    }
};

#if defined(_WIN32)
constexpr const char* kWindowType = kPlatformTypeHWND;
#else
constexpr const char* kWindowType = kPlatformTypeX11EmbedWindowID;
#endif

// A host's window for the view to embed in.
std::unique_ptr<TForm> HostWindow()
{
    TFormDeclaration D;
    D.Name = "HostWindow";
    D.ClientWidth = 600;
    D.ClientHeight = 300;
    return std::make_unique<TForm>(nullptr, D);
}

// [editor] The host's run loop ticking a few times (Linux; Windows hosts have none).
void Tick(TFrame& Frame)
{
    for (int Tick = 0; Tick < 5 && Frame.Timer; ++Tick)
        Frame.Timer->onTimer();
}

} // namespace

// The editor opens in the host's window, is driven by the host's run loop on Linux, and its new size (its
// zoom) reaches the host's frame while it is attached, and only then.
TEST(VST3Edits, EditorEmbedsInTheHostsWindowAndTellsItsSize)
{
    TInstanceRef I;
    TFrame Frame;
    IPlugView* View = I.P->createView("editor");
    ASSERT_NE(View, nullptr);
    auto Parent = HostWindow();
#if !defined(_WIN32)
    Frame.WithLoop = false;
    View->setFrame(&Frame);
    EXPECT_EQ(View->attached(Parent->Handle(), kWindowType), kResultFalse) << "no run loop to drive it";
    Frame.WithLoop = true;
#endif
    View->setFrame(&Frame);
    EXPECT_EQ(I.P->HostRequest(audioMasterSizeWindow, 262, 70, 0.0f), 0) << "not attached";
    ASSERT_EQ(View->attached(Parent->Handle(), kWindowType), kResultOk);
#if !defined(_WIN32)
    ASSERT_NE(Frame.Timer, nullptr);
    EXPECT_EQ(Frame.Interval, 10u);
#endif
    Tick(Frame);
    ViewRect Size{};
    ASSERT_EQ(View->getSize(&Size), kResultOk);
    const int32 Zoom = (Size.bottom - Size.top) / 35;
    EXPECT_GE(Zoom, 1);
    EXPECT_EQ(Size.right - Size.left, 131 * Zoom);

    Frame.Sizes.clear();
    EXPECT_EQ(I.P->HostRequest(audioMasterSizeWindow, 262, 70, 0.0f), 1);
    ASSERT_EQ(Frame.Sizes.size(), 1u);
    EXPECT_EQ(Frame.Sizes[0].right, 262);
    EXPECT_EQ(Frame.Sizes[0].bottom, 70);
    EXPECT_EQ(View->removed(), kResultOk);
    EXPECT_EQ(Frame.Timer, nullptr) << "the run loop's timer ends with the editor";
    EXPECT_EQ(I.P->HostRequest(audioMasterSizeWindow, 131, 35, 0.0f), 0);
    View->release();
}

// The host's content scale factor is the editor's host scale factor: given before the editor opens, it is
// the starting zoom (factor 2: 262 x 70); given while it is open, the editor zooms again. The host's frame
// hears each size.
TEST(VST3Edits, ContentScaleFactorZoomsTheEditorAndTheFrameHearsTheSize)
{
    TInstanceRef I;
    TFrame Frame;
    IPlugView* View = I.P->createView("editor");
    ASSERT_NE(View, nullptr);
    void* Object = nullptr;
    ASSERT_EQ(View->queryInterface(kIPlugViewContentScaleSupportIid.Bytes, &Object), kResultOk);
    auto* Scale = static_cast<IPlugViewContentScaleSupport*>(Object);
    for (const float Bad : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()})
        EXPECT_EQ(Scale->setContentScaleFactor(Bad), kInvalidArgument) << Bad;
    EXPECT_EQ(Scale->setContentScaleFactor(2.0f), kResultOk);

    auto Parent = HostWindow();
    View->setFrame(&Frame);
    ASSERT_EQ(View->attached(Parent->Handle(), kWindowType), kResultOk);
    Tick(Frame);
    ViewRect Size{};
    ASSERT_EQ(View->getSize(&Size), kResultOk);
    EXPECT_EQ(Size.right - Size.left, 262);
    EXPECT_EQ(Size.bottom - Size.top, 70);
    ASSERT_FALSE(Frame.Sizes.empty());
    EXPECT_EQ(Frame.Sizes.back().right, 262);
    EXPECT_EQ(Frame.Sizes.back().bottom, 70);

    EXPECT_EQ(Scale->setContentScaleFactor(3.0f), kResultOk);
    Tick(Frame);
    EXPECT_EQ(Frame.Sizes.back().right, 393);
    EXPECT_EQ(Frame.Sizes.back().bottom, 105);

    EXPECT_EQ(View->removed(), kResultOk);
    Scale->release();
    View->release();
}

// The plug-in starts with the fast engine; the editor's "Fast processing" shows the engine of the effect that
// processes and switches it.
TEST(VST3Edits, FastProcessingShowsAndSwitchesTheEngineThatProcesses)
{
    TInstanceRef I;
    AEffect* E = I.P->Effect();
    const auto Engine = [E] { return E->dispatcher(E, effVendorSpecific, kSEQRequestGetEngine, 0, nullptr, 0.0f); };
    EXPECT_EQ(Engine(), kSEQEngineFast);
    TFrame Frame;
    IPlugView* View = I.P->createView("editor");
    ASSERT_NE(View, nullptr);
    auto Parent = HostWindow();
    View->setFrame(&Frame);
    ASSERT_EQ(View->attached(Parent->Handle(), kWindowType), kResultOk);
    Tick(Frame);
    auto* Module = static_cast<TSmallEQPlugIn*>(static_cast<TCustomVSTModule*>(E->object));
    ASSERT_NE(Module->Editor(), nullptr);
    TMenuItem* Item = Module->Editor()->MenuItem("MIFastProcessing");
    ASSERT_NE(Item, nullptr);
    EXPECT_TRUE(Item->Checked());
    Item->Click();
    Tick(Frame);
    EXPECT_EQ(Engine(), kSEQEngineReference);
    EXPECT_FALSE(Item->Checked());
    Item->Click();
    EXPECT_EQ(Engine(), kSEQEngineFast);
    EXPECT_TRUE(Item->Checked());
    // The choice is kept as the listener's preference: leave the one SmallEQ (VST 2) starts with anyway.
    Item->Click();
    EXPECT_EQ(View->removed(), kResultOk);
    View->release();
}
