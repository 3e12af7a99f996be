// The editor's behaviour suite over the drivers of this build: the editor embedded in a headless window of
// the test, or in a foreign host's X11 window, the effect called from a thread that owns no windows of ours.
#if defined(MARVO_HEADLESS) || defined(MARVO_X11)

#include "support/EditorBehaviours.h"

#include "equaliser/SEQGUI.h"
#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "support/TestHost.h"
#ifdef MARVO_HEADLESS
#include "SEQGUITestSupport.h"
#else
#include "platform/x11/X11Driver.h"
#endif

namespace
{

std::vector<std::uint32_t> Opaque(const TBitmap32& B)
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
    std::optional<std::vector<std::uint32_t>> Composed() override { return Opaque(Open.Editor->FDisplayBitmap); }

private:
    TOpenEditor Open;
};

INSTANTIATE_EDITOR_BEHAVIOUR(Headless, [] { return std::make_unique<THeadlessEditor>(); });

#else

class TX11HostEditor : public TEditorDriver
{
public:
    TX11HostEditor()
    {
        Module->SetAudioMaster(&TestHostCallback);
        Host.Dispatch(effOpen);
        Host.Dispatch(effMainsChanged, 0, 1);
        if (Host.Dispatch(effEditOpen, 0, 0, HostWindow.Handle()) == 1 && HostWindow.Children().size() == 1)
            FClient = HostWindow.ScreenRect(HostWindow.Children()[0]);
        Settle();
    }
    ~TX11HostEditor() override
    {
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
        RunInWindowThread([&] { Pixels = Opaque(Module->Editor()->FDisplayBitmap); });
        return Pixels;
    }

private:
    TFPUControlScope FPU;
    X11Driver::TForeignWindow HostWindow{100, 120, 200, 100};
    TSmallEQModule* Module = new TSmallEQModule(nullptr);
    THostView Host{Module->Effect()};
};

INSTANTIATE_EDITOR_BEHAVIOUR(X11Host, [] { return std::make_unique<TX11HostEditor>(); });

#endif

} // namespace

#endif
