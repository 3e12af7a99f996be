#pragma once
// The equaliser's own editor as a VST 3 view: the effect's editor embedded in the host's HWND (Windows) or
// X11 window (Linux, kPlatformTypeX11EmbedWindowID), 131 x 35 at 1x. A change of the editor's size (its zoom,
// the response view) reaches the host through IPlugFrame::resizeView. The host's content scale factor is the
// editor's host scale factor, as a VST 2 host sends it: the starting zoom when it comes before the editor
// opens, a new zoom (and size) when it comes after.
//
// How it is driven. On Windows the editor's windows and timers are the host's UI thread's, and its message
// loop drives them. On Linux the editor's windows are made on the host's UI thread too (the view makes a timer
// of its own there first, so the platform layer keeps the editor on that thread instead of starting its own
// window thread), and the host's IRunLoop drives them: a timer of the run loop every 10 ms dispatches the
// thread's pending X events, our timers (the meter, the update timer) and paints. A host frame without a run
// loop gets no editor.
//
// Threads: every entry is the host's UI thread ([editor], which is [host-main]).
#include <atomic>
#include <memory>

#include "vst3/VST3Interfaces.h"

class TTimer;

namespace VST3Marvo
{

class TVST3Equaliser;

class TVST3View final : public IPlugView, public IPlugViewContentScaleSupport, public ITimerHandler
{
public:
    // Holds a reference on Owner for its whole life.
    explicit TVST3View(TVST3Equaliser* Owner);
    TVST3View(const TVST3View&) = delete;
    TVST3View& operator=(const TVST3View&) = delete;

    tresult VST3CALL queryInterface(const TUID Iid, void** Object) override;
    uint32 VST3CALL addRef() override;
    uint32 VST3CALL release() override;
    tresult VST3CALL isPlatformTypeSupported(FIDString Type) override;
    tresult VST3CALL attached(void* Parent, FIDString Type) override;
    tresult VST3CALL removed() override;
    tresult VST3CALL onWheel(float Distance) override;
    tresult VST3CALL onKeyDown(char16 Key, int16 KeyCode, int16 Modifiers) override;
    tresult VST3CALL onKeyUp(char16 Key, int16 KeyCode, int16 Modifiers) override;
    tresult VST3CALL getSize(ViewRect* Size) override;
    tresult VST3CALL onSize(ViewRect* NewSize) override;
    tresult VST3CALL onFocus(TBool State) override;
    tresult VST3CALL setFrame(IPlugFrame* Frame) override;
    tresult VST3CALL canResize() override;
    tresult VST3CALL checkSizeConstraint(ViewRect* Rect) override;
    // IPlugViewContentScaleSupport: a factor > 0 (1 = unscaled); kInvalidArgument for others.
    tresult VST3CALL setContentScaleFactor(float Factor) override;
    // ITimerHandler: the run loop's tick (Linux).
    void VST3CALL onTimer() override;

    static constexpr TimerInterval kTick = 10; // ms

    // The editor's new size, passed on to the host's frame.
    void Resize(int32 Width, int32 Height);

private:
    ~TVST3View();
    void ReadSize();
    bool StartDriving();
    void StopDriving();

    std::atomic<uint32> FReferences{1};
    TVST3Equaliser* const FOwner;
    IPlugFrame* FFrame = nullptr;
    IRunLoop* FRunLoop = nullptr;             // Linux, while attached
    std::unique_ptr<TTimer> FAnchor;         // Linux: keeps the editor's windows on the host's thread
    bool FAttached = false;
    int32 FWidth = 131;
    int32 FHeight = 35;
};

} // namespace VST3Marvo
