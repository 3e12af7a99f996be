#pragma once
// The equaliser's own editor as a VST 3 view, on Windows: the effect's editor embedded in the host's HWND,
// 131 x 35 at 1x. A change of the editor's size (its zoom, the response view) reaches the host through
// IPlugFrame::resizeView. The editor draws and runs its timer on the host's window thread, as it does in
// every Win32 host; nothing else drives it.
//
// Threads: every entry is the host's UI thread ([editor], which on Win32 is [host-main]).
#include <atomic>

#include "vst3/VST3Interfaces.h"

namespace VST3Marvo
{

class TVST3Equaliser;

class TVST3View final : public IPlugView
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

    // The editor's new size, passed on to the host's frame.
    void Resize(int32 Width, int32 Height);

private:
    ~TVST3View();
    void ReadSize();

    std::atomic<uint32> FReferences{1};
    TVST3Equaliser* const FOwner;
    IPlugFrame* FFrame = nullptr;
    bool FAttached = false;
    int32 FWidth = 131;
    int32 FHeight = 35;
};

} // namespace VST3Marvo
