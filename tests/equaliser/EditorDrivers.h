#pragma once
// The editor's drivers of the Linux builds: the editor embedded in a headless window of the test, or in a
// foreign host's X11 window with the effect called from a thread that owns no windows of ours (so the editor
// lives on the toolkit's own window thread).
#include <cstdint>
#include <vector>

#include "equaliser/SEQGUI.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "support/EditorBehaviours.h"
#include "support/TestHost.h"
#ifdef MARVO_HEADLESS
#include "SEQGUITestSupport.h"
#else
#include "platform/x11/X11Driver.h"
#endif

inline std::vector<std::uint32_t> OpaquePixels(const TBitmap32& B)
{
    std::vector<std::uint32_t> Pixels;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            Pixels.push_back(0xFF000000u | B.Pixel(x, y));
    return Pixels;
}

#ifdef MARVO_HEADLESS

class THeadlessEditor : public TEditorDriver
{
public:
    THeadlessEditor()
    {
        const TPoint P = Open.Editor->ClientToScreen({0, 0});
        FClient = {P.X, P.Y, P.X + Open.Editor->ClientWidth(), P.Y + Open.Editor->ClientHeight()};
        Settle();
    }
    void Settle() override { Application().ProcessMessages(); }
    float StoredValue(int Index) override { return Open.Host.E->getParameter(Open.Host.E, Index); }
    std::optional<std::vector<std::uint32_t>> Composed() override { return OpaquePixels(Open.Editor->FDisplayBitmap); }

private:
    TOpenEditor Open;
};

#else

class TX11HostEditor : public TEditorDriver
{
public:
    static constexpr int kHostLeft = 100, kHostTop = 120;

    explicit TX11HostEditor(TAudioMasterCallbackFunc Callback = &TestHostCallback)
    {
        Module->SetAudioMaster(Callback);
        Host.Dispatch(effOpen);
        Host.Dispatch(effMainsChanged, 0, 1);
        Opened = Host.Dispatch(effEditOpen, 0, 0, HostWindow.Handle());
        if (Opened == 1 && HostWindow.Children().size() == 1)
            FClient = HostWindow.ScreenRect(HostWindow.Children()[0]);
        Settle();
    }
    // A test that closed the effect itself clears Host.E.
    ~TX11HostEditor() override
    {
        if (!Host.E)
            return;
        Host.Dispatch(effEditClose);
        Host.Dispatch(effClose);
    }
    void Settle() override
    {
        for (int I = 0; I < 5; ++I)
        {
            SystemSleep(10);
            RunInWindowThread([] { Application().ProcessMessages(); });
        }
    }
    float StoredValue(int Index) override { return Host.E->getParameter(Host.E, Index); }
    std::optional<std::vector<std::uint32_t>> Composed() override
    {
        std::vector<std::uint32_t> Pixels;
        RunInWindowThread([&] { Pixels = OpaquePixels(Module->Editor()->FDisplayBitmap); });
        return Pixels;
    }

    TFPUControlScope FPU;
    X11Driver::TForeignWindow HostWindow{kHostLeft, kHostTop, 200, 100};
    TSmallEQPlugIn* Module = new TSmallEQPlugIn(nullptr);
    THostView Host{Module->Effect()};
    std::intptr_t Opened = 0;
};

#endif
