// The editor in a Linux host's window: the host (this test) makes its window with plain Xlib and calls the
// effect from a thread that owns no windows of ours, as a foreign host does, so the editor lives on the
// toolkit's own window thread. Its place in the host's window, the band menu with real (XTest) input, a drag
// reported to a locking host, resources across many opens, and a host without a display. The pixels and the
// gain drag are the editor's behaviour suite (EditorDriversTest).
#ifdef MARVO_X11

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "equaliser/SEQGUI.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "platform/System.h"
#include "platform/WindowProbe.h"
#include "platform/x11/X11Driver.h"
#include "platform/x11/X11MenuLayout.h"
#include "EditorDrivers.h"
#include "SEQTestHost.h"
#include "vstplugin/DVSTVersionHost.h"

namespace
{

constexpr int kHostLeft = TX11HostEditor::kHostLeft, kHostTop = TX11HostEditor::kHostTop;

class SEQGUIX11 : public ::testing::Test
{
protected:
    // Runs Read on the editor's window thread (the editor belongs to it).
    template <class F>
    static void OnWindowThread(F&& Read)
    {
        RunInWindowThread([&] { Read(); });
    }
    void Settle() { Editor.Settle(); }
    TPoint Screen(int X, int Y) const { return {kHostLeft + X, kHostTop + Y}; }
    void MoveTo(TPoint P)
    {
        InjectPointerMove(P.X, P.Y);
        Settle();
    }
    int SelectedBand()
    {
        int Band = -1;
        OnWindowThread([&] { Band = Module->Editor()->SelectedFilter(); });
        return Band;
    }

    TX11HostEditor Editor;
    TSmallEQPlugIn* Module = Editor.Module;
    THostView& Host = Editor.Host;
    X11Driver::TForeignWindow& HostWindow = Editor.HostWindow;
    std::intptr_t Opened = Editor.Opened;
};

TEST_F(SEQGUIX11, TheEditorIsTheOnlyChildOfTheHostsWindowAndNoTopLevelWindow)
{
    ASSERT_EQ(Opened, 1);
    const std::vector<TNativeHandle> Inside = HostWindow.Children();
    ASSERT_EQ(Inside.size(), 1u);
    const TRect R = HostWindow.ScreenRect(Inside[0]);
    EXPECT_EQ(R.Left, kHostLeft);
    EXPECT_EQ(R.Top, kHostTop);
    for (const TWindowProbe& W : TopLevelWindows())
        EXPECT_NE(W.Handle, Inside[0]);
}

TEST_F(SEQGUIX11, RightClickOnTheSelectorOpensTheBandMenuAndChoosingFilter3SelectsBand2)
{
    ASSERT_EQ(SelectedBand(), 3);
    MoveTo(Screen(3, 4));
    Editor.Button(TMouseButton::mbRight, true);
    Editor.Button(TMouseButton::mbRight, false);
    std::vector<TWindowProbe> Menus;
    for (const TWindowProbe& W : TopLevelWindows())
        if (W.ClassName == "MarvoMenu" && W.Visible)
            Menus.push_back(W);
    ASSERT_EQ(Menus.size(), 1u);
    EXPECT_EQ(Menus[0].Client.Left, Screen(3, 4).X) << "the menu opens at the pointer";
    EXPECT_EQ(SelectedBand(), 3) << "releasing the button that opened it chooses nothing";

    TRect Row;
    OnWindowThread(
        [&] { Row = X11MenuLayout::ItemRow(Module->Editor()->PopupMenu("PUFilterNr")->Items(), 2, Menus[0].Client.Width()); });
    MoveTo({Menus[0].Client.Left + 40, Menus[0].Client.Top + (Row.Top + Row.Bottom) / 2});
    Editor.Button(TMouseButton::mbLeft, true);
    Editor.Button(TMouseButton::mbLeft, false);
    EXPECT_EQ(SelectedBand(), 2);
    bool Checked = false;
    OnWindowThread([&] { Checked = Module->Editor()->MenuItem("MIFilterNr3")->Checked(); });
    EXPECT_TRUE(Checked);
    EXPECT_FALSE(ProbeWindow(Menus[0].Handle)) << "the menu window is gone";
    EXPECT_TRUE(CursorShowing());
}

// X11 has no file dialog: the strip's menu has no import that would open nothing.
TEST_F(SEQGUIX11, TheStripMenuOffersNoImportWithoutAFileDialog)
{
    ASSERT_EQ(Opened, 1);
    std::vector<std::string> Names;
    bool NoImportItem = false;
    OnWindowThread([&] {
        for (const TMenuItem* Item : Module->Editor()->PopupMenu("PUOverview")->Items())
            Names.push_back(Item->Name());
        NoImportItem = Module->Editor()->MenuItem("MIImportPreset") == nullptr;
    });
    EXPECT_EQ(Names, (std::vector<std::string>{"MIDefaultScheme", "MIBlackWhiteScheme", "N1", "MIOff", "N5",
                                               "MIShowResponse", "MISpectrumOff", "MISpectrumOutput",
                                               "MISpectrumInput"}));
    EXPECT_TRUE(NoImportItem);
}

// The server's count of our connections' windows, pixmaps, graphics contexts and cursors.
TEST_F(SEQGUIX11, OpeningAndClosingTheEditorAHundredTimesLeavesNoXResourcesBehind)
{
    Settle();
    Host.Dispatch(effEditClose);
    const TProcessResources Before = ProcessResources();
    EXPECT_TRUE(HostWindow.Children().empty());
    for (int I = 0; I < 100; ++I)
    {
        ASSERT_EQ(Host.Dispatch(effEditOpen, 0, 0, HostWindow.Handle()), 1);
        if (I % 10 == 0)
        {
            Settle(); // painted and timed, not only made
            EXPECT_EQ(HostWindow.Children().size(), 1u);
            EXPECT_GT(ProcessResources().Windows, Before.Windows);
        }
        Host.Dispatch(effEditClose);
    }
    Settle();
    const TProcessResources After = ProcessResources();
    EXPECT_TRUE(HostWindow.Children().empty());
    EXPECT_EQ(After.Windows, Before.Windows);
    EXPECT_EQ(After.UserObjects, Before.UserObjects);
    EXPECT_EQ(After.GdiObjects, Before.GdiObjects);
    EXPECT_GT(Before.UserObjects, 0) << "the server counted our resources";
}

TEST_F(SEQGUIX11, AHostThatClosesTheEffectWithItsEditorOpenLeavesNoWindowBehind)
{
    Settle();
    ASSERT_EQ(HostWindow.Children().size(), 1u);
    EXPECT_EQ(Host.Dispatch(effClose), 1);
    Host.E = nullptr;
    EXPECT_TRUE(HostWindow.Children().empty());
}

// A host that holds its own lock around each call into the effect and takes it in its callback too, as hosts
// that serialise access to a plug-in do. It records the automation it is told of and the thread that told it.
struct TLockingHost
{
    struct TAutomation
    {
        VstInt32 Index;
        float Value;
        std::thread::id Thread;
    };
    static inline std::recursive_mutex Lock;
    static inline std::mutex RecordLock;
    static inline std::vector<TAutomation> Automated;

    static VstIntPtr VSTCALL Callback(AEffect*, VstInt32 Opcode, VstInt32 Index, VstIntPtr, void*, float Opt)
    {
        const std::lock_guard<std::recursive_mutex> G(Lock);
        if (Opcode == audioMasterAutomate)
        {
            const std::lock_guard<std::mutex> R(RecordLock);
            Automated.push_back({Index, Opt, std::this_thread::get_id()});
        }
        return VersionOnlyHost(nullptr, Opcode, 0, 0, nullptr, 0.0f);
    }
    static std::vector<TAutomation> Taken()
    {
        const std::lock_guard<std::mutex> R(RecordLock);
        std::vector<TAutomation> All;
        All.swap(Automated);
        return All;
    }
};

// A gain drag in the editor while the host's automation writes other parameters on another thread, while the
// host holds its lock over the whole drag (its window thread waits in our dispatcher meanwhile), and both: the
// drag is reported with audioMasterAutomate on the host's own thread, at its next call; nothing waits on the
// other side for ever, and no automation write is lost.
TEST(SEQGUIX11Host, ADragIsReportedToALockingHostWhileItsAutomationWritesOtherParameters)
{
    TX11HostEditor Editor(&TLockingHost::Callback);
    ASSERT_EQ(Editor.Opened, 1);
    TSmallEQPlugIn* Module = Editor.Module;
    const THostView& Host = Editor.Host;
    const auto Dispatch = [&](VstInt32 Opcode) {
        const std::lock_guard<std::recursive_mutex> G(TLockingHost::Lock);
        return Host.Dispatch(Opcode);
    };
    const std::thread::id HostThread = std::this_thread::get_id();
    const struct
    {
        bool HoldsLock, Automates;
    } Cases[] = {{false, true}, {true, false}, {true, true}};
    for (const auto& [HoldsLock, Automates] : Cases)
    {
        Module->SetParameterAutomated(13, 0.0f);
        Dispatch(effEditIdle);
        TLockingHost::Taken();
        std::atomic<bool> Stop{false};
        std::atomic<long> Writes{0}, Lost{0};
        std::thread Automation([&] {
            TFPUControlScope AutomationFPU;
            const VstInt32 Others[] = {1, 5, 9, 17, 21, 25, 29, 31};
            for (long N = 0; Automates && (!Stop.load() || N < 200); ++N)
            {
                const VstInt32 Index = Others[N % 8];
                const float Value = static_cast<float>(N % 5 + 1) / 8.0f;
                Host.E->setParameter(Host.E, Index, Value);
                if (std::fabs(Host.E->getParameter(Host.E, Index) - Value) > 1e-5f)
                    Lost.fetch_add(1);
                Writes.fetch_add(1);
            }
        });
        std::unique_lock<std::recursive_mutex> HostBusy(TLockingHost::Lock, std::defer_lock);
        if (HoldsLock)
            HostBusy.lock();
        Editor.Move(44, 23);
        Editor.Button(TMouseButton::mbLeft, true);
        for (int Move = 0; Move < 4; ++Move)
            Editor.Move(44, 23 - 5);
        Editor.Button(TMouseButton::mbLeft, false);
        Dispatch(effEditIdle); // the host's next call brings what the editor told it meanwhile
        if (HoldsLock)
            HostBusy.unlock();
        Stop.store(true);
        Automation.join();
        const std::vector<TLockingHost::TAutomation> Told = TLockingHost::Taken();
        EXPECT_NEAR(Module->ShownParameter(13), 2.0f, 1e-4) << HoldsLock << Automates;
        std::vector<float> Dragged;
        for (const TLockingHost::TAutomation& A : Told)
        {
            EXPECT_EQ(A.Thread, HostThread) << "told on the host's own thread";
            if (A.Index == 13)
                Dragged.push_back(A.Value);
        }
        ASSERT_FALSE(Dragged.empty()) << "host holds its lock: " << HoldsLock << ", automates: " << Automates;
        EXPECT_EQ(Dragged.back(), Module->ParameterToNormalized(13, 2.0f));
        EXPECT_EQ(Lost.load(), 0);
        EXPECT_GE(Writes.load(), Automates ? 200 : 0);
    }
}

// The shipped library as a host without a display loads it: the editor does not open, nothing else fails.
TEST(SEQGUIX11Library, WithoutADisplayTheEditorDoesNotOpenAndTheEffectStillWorks)
{
    TFPUControlScope FPU;
    const char* Saved = std::getenv("DISPLAY");
    const std::string Display = Saved ? Saved : "";
    ::unsetenv("DISPLAY");
    const TLibraryHandle Library = LoadDynamicLibrary(ExtractFilePath(ExecutablePath()) + "SmallEQ.so");
    ASSERT_NE(Library, 0u);
    auto Main = reinterpret_cast<TMainProc>(GetLibraryEntry(Library, "VSTPluginMain"));
    ASSERT_NE(Main, nullptr);
    THostView Host{Main(&VersionOnlyHost)};
    ASSERT_NE(Host.E, nullptr);
    Host.Dispatch(effOpen);
    Host.Dispatch(effMainsChanged, 0, 1);
    EXPECT_EQ(Host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x400001})), 0);
    ERect* Rect = nullptr;
    Host.Dispatch(effEditGetRect, 0, 0, &Rect);
    Host.Dispatch(effEditIdle);
    Host.Dispatch(effEditClose);
    std::vector<float> Left(512, 1.0f), Right(512, 1.0f);
    Host.Process(Left, Right);
    EXPECT_EQ(Host.Dispatch(effClose), 1);
    FreeDynamicLibrary(Library);
    if (Saved)
        ::setenv("DISPLAY", Display.c_str(), 1);
}

} // namespace

#endif // MARVO_X11
