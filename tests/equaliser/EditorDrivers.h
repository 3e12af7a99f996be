#pragma once
// The editor's drivers of the Linux builds: the editor embedded in a headless window of the test, or in a
// foreign host's X11 window with the effect called from a thread that owns no windows of ours (so the editor
// lives on the toolkit's own window thread).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "equaliser/SEQGUI.h"
#include "equaliser/SEQRequests.h"
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

// What a host tells the effect before it opens the editor at View: its scale factor, and that it keeps the
// view settings itself. So neither the listener's own preference nor the screen's scale plays a part.
inline void HandOverView(const THostView& Host, const TEditorView& View)
{
    Host.Dispatch(effVendorSpecific, kSEQRequestSetView, 0, nullptr, View.Response ? 1.0f : 0.0f);
    Host.Dispatch(effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, static_cast<float>(View.Zoom));
}

// The host's window: room for the editor at View, never smaller than the 200 x 100 the tests always used.
inline TPoint HostWindowSize(const TEditorView& View)
{
    constexpr int kPanelWidth = 131, kPanelHeight = 35, kResponseHeight = 60;
    return {std::max(200, kPanelWidth * View.Zoom),
            std::max(100, (kPanelHeight + (View.Response ? kResponseHeight : 0)) * View.Zoom)};
}

inline std::optional<TRect> EditorRectOf(const THostView& Host)
{
    ERect* R = nullptr;
    if (Host.Dispatch(effEditGetRect, 0, 0, &R) == 0 || !R)
        return std::nullopt;
    return TRect{R->left, R->top, R->right, R->bottom};
}

#ifdef MARVO_HEADLESS

class THeadlessEditor : public TEditorDriver
{
public:
    explicit THeadlessEditor(const TEditorView& View = {})
        : Open(HostWindowSize(View).X, HostWindowSize(View).Y,
               [&](const THostView& Host) { HandOverView(Host, View); })
    {
        const TPoint P = Open.Editor->ClientToScreen({0, 0});
        FClient = {P.X, P.Y, P.X + Open.Editor->ClientWidth(), P.Y + Open.Editor->ClientHeight()};
        Settle();
    }
    void Settle() override { Application().ProcessMessages(); }
    float StoredValue(int Index) override { return Open.Host.E->getParameter(Open.Host.E, Index); }
    std::optional<std::vector<std::uint32_t>> Composed() override { return OpaquePixels(Open.Editor->DisplayBitmap()); }
    std::optional<TRect> EditorRect() override { return EditorRectOf(Open.Host); }

private:
    TOpenEditor Open;
};

#else

class TX11HostEditor : public TEditorDriver
{
public:
    static constexpr int kHostLeft = 100, kHostTop = 120;

    explicit TX11HostEditor(TAudioMasterCallbackFunc Callback = &VersionOnlyHost, const TEditorView& View = {})
        : HostWindow(kHostLeft, kHostTop, HostWindowSize(View).X, HostWindowSize(View).Y)
    {
        Module->SetAudioMaster(Callback);
        Host.Dispatch(effOpen);
        Host.Dispatch(effMainsChanged, 0, 1);
        HandOverView(Host, View);
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
        RunInWindowThread([&] { Pixels = OpaquePixels(Module->Editor()->DisplayBitmap()); });
        return Pixels;
    }
    std::optional<TRect> EditorRect() override { return EditorRectOf(Host); }

    TFPUControlScope FPU;
    X11Driver::TForeignWindow HostWindow{kHostLeft, kHostTop, 200, 100};
    TSmallEQPlugIn* Module = new TSmallEQPlugIn(nullptr);
    THostView Host{Module->Effect()};
    std::intptr_t Opened = 0;
};

#endif
