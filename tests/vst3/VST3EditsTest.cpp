// The editor's edits as the host hears them: the effect's automation requests become beginEdit, performEdit
// and endEdit on the component handler, inside the effect's own gesture when it opened one; the controller
// and the saved state follow the edited value.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

} // namespace

// The editor opens in the host's window, is driven by the host's run loop on Linux, and its new size (its
// zoom) reaches the host's frame while it is attached, and only then.
TEST(VST3Edits, EditorEmbedsInTheHostsWindowAndTellsItsSize)
{
    TInstanceRef I;
    TFrame Frame;
    IPlugView* View = I.P->createView("editor");
    ASSERT_NE(View, nullptr);
    TFormDeclaration D;
    D.Name = "HostWindow";
    D.ClientWidth = 600;
    D.ClientHeight = 300;
    auto Parent = std::make_unique<TForm>(nullptr, D);
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
    for (int Tick = 0; Tick < 5; ++Tick)
        Frame.Timer->onTimer();
#endif
    ViewRect Size{};
    ASSERT_EQ(View->getSize(&Size), kResultOk);
    const int32 Zoom = (Size.bottom - Size.top) / 35;
    EXPECT_GE(Zoom, 1);
    EXPECT_EQ(Size.right - Size.left, 131 * Zoom);

    EXPECT_EQ(I.P->HostRequest(audioMasterSizeWindow, 262, 70, 0.0f), 1);
    ASSERT_EQ(Frame.Sizes.size(), 1u);
    EXPECT_EQ(Frame.Sizes[0].right, 262);
    EXPECT_EQ(Frame.Sizes[0].bottom, 70);
    EXPECT_EQ(View->removed(), kResultOk);
    EXPECT_EQ(Frame.Timer, nullptr) << "the run loop's timer ends with the editor";
    EXPECT_EQ(I.P->HostRequest(audioMasterSizeWindow, 131, 35, 0.0f), 0);
    View->release();
}
