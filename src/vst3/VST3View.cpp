#include "vst3/VST3View.h"

#include <cmath>
#include <cstring>

#include "platform/FPUControl.h"
#include "equaliser/SEQRequests.h"
#include "platform/Forms.h"
#include "vst3/VST3Equaliser.h"

namespace VST3Marvo
{

TVST3View::TVST3View(TVST3Equaliser* Owner) : FOwner(Owner)
{
    static_cast<IComponent*>(FOwner)->addRef();
}

TVST3View::~TVST3View()
{
    if (FAttached)
        removed();
    setFrame(nullptr);
    static_cast<IComponent*>(FOwner)->release();
}

tresult TVST3View::queryInterface(const TUID Iid, void** Object)
{
    if (!Object)
        return kInvalidArgument;
    *Object = nullptr;
    if (SameId(Iid, kFUnknownIid) || SameId(Iid, kIPlugViewIid))
        *Object = static_cast<IPlugView*>(this);
    else if (SameId(Iid, kIPlugViewContentScaleSupportIid))
        *Object = static_cast<IPlugViewContentScaleSupport*>(this);
    else if (SameId(Iid, kITimerHandlerIid))
        *Object = static_cast<ITimerHandler*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32 TVST3View::addRef()
{
    return ++FReferences;
}

uint32 TVST3View::release()
{
    const uint32 Left = --FReferences;
    if (Left == 0)
        delete this;
    return Left;
}

tresult TVST3View::isPlatformTypeSupported(FIDString Type)
{
#if defined(_WIN32)
    return Answer(Type && std::strcmp(Type, kPlatformTypeHWND) == 0);
#else
    return Answer(Type && std::strcmp(Type, kPlatformTypeX11EmbedWindowID) == 0);
#endif
}

tresult TVST3View::attached(void* Parent, FIDString Type)
{
    if (!Parent || isPlatformTypeSupported(Type) != kResultTrue)
        return kInvalidArgument;
    if (FAttached)
        return kResultFalse;
#if !defined(_WIN32)
    if (!StartDriving())
        return kResultFalse;
#endif
    AEffect* E = FOwner->Effect();
    TFPUControlScope FPU;
    if (E->dispatcher(E, effEditOpen, 0, 0, Parent, 0.0f) == 0)
    {
        StopDriving();
        return kResultFalse;
    }
    FAttached = true;
    FOwner->SetView(this);
    // The editor opens at its own zoom (the host's scale factor among its reasons): a size other than the
    // one the host asked for before is the host's to hear.
    const int32 Width = FWidth, Height = FHeight;
    ReadSize();
    if (FWidth != Width || FHeight != Height)
        Resize(FWidth, FHeight);
    return kResultOk;
}

tresult TVST3View::removed()
{
    if (!FAttached)
        return kResultFalse;
    FOwner->SetView(nullptr);
    AEffect* E = FOwner->Effect();
    TFPUControlScope FPU;
    E->dispatcher(E, effEditClose, 0, 0, nullptr, 0.0f);
    StopDriving();
    FAttached = false;
    return kResultOk;
}

// The host's run loop ticks the view; the anchor timer (never enabled) makes this thread one that owns
// windows of ours before the editor opens.
bool TVST3View::StartDriving()
{
    void* Loop = nullptr;
    if (!FFrame || FFrame->queryInterface(kIRunLoopIid.Bytes, &Loop) != kResultOk || !Loop)
        return false;
    FRunLoop = static_cast<IRunLoop*>(Loop);
    try
    {
        FAnchor = std::make_unique<TTimer>(nullptr);
    }
    catch (...)
    {
        StopDriving();
        return false;
    }
    if (FRunLoop->registerTimer(this, kTick) != kResultOk)
    {
        StopDriving();
        return false;
    }
    return true;
}

void TVST3View::StopDriving()
{
    if (FRunLoop)
    {
        FRunLoop->unregisterTimer(this);
        FRunLoop->release();
        FRunLoop = nullptr;
    }
    FAnchor.reset();
}

void TVST3View::onTimer()
{
    try
    {
        Application().ProcessMessages();
    }
    catch (...)
    {
    }
}

void TVST3View::ReadSize()
{
    AEffect* E = FOwner->Effect();
    ERect* Rect = nullptr;
    TFPUControlScope FPU;
    if (E->dispatcher(E, effEditGetRect, 0, 0, &Rect, 0.0f) && Rect && Rect->right > Rect->left &&
        Rect->bottom > Rect->top)
    {
        FWidth = Rect->right - Rect->left;
        FHeight = Rect->bottom - Rect->top;
    }
}

tresult TVST3View::getSize(ViewRect* Size)
{
    if (!Size)
        return kInvalidArgument;
    if (FAttached)
        ReadSize();
    *Size = ViewRect{0, 0, FWidth, FHeight};
    return kResultOk;
}

void TVST3View::Resize(int32 Width, int32 Height)
{
    FWidth = Width;
    FHeight = Height;
    ViewRect Rect{0, 0, Width, Height};
    if (FFrame)
        FFrame->resizeView(this, &Rect);
}

// The editor takes the factor as its host scale factor: closed, for its starting zoom; open, it resizes
// itself and the host hears of it through Resize.
tresult TVST3View::setContentScaleFactor(float Factor)
{
    if (!(Factor > 0.0f) || !std::isfinite(Factor))
        return kInvalidArgument;
    AEffect* E = FOwner->Effect();
    {
        TFPUControlScope FPU;
        E->dispatcher(E, effVendorSpecific, kHostScaleIndex, kHostScaleValue, nullptr, Factor);
    }
    return kResultOk;
}

// The editor sets its own size (its zoom); the host follows it rather than the other way round.
tresult TVST3View::onSize(ViewRect*)
{
    return kResultOk;
}

tresult TVST3View::canResize()
{
    return kResultFalse;
}

tresult TVST3View::checkSizeConstraint(ViewRect* Rect)
{
    if (!Rect)
        return kInvalidArgument;
    *Rect = ViewRect{Rect->left, Rect->top, Rect->left + FWidth, Rect->top + FHeight};
    return kResultTrue;
}

tresult TVST3View::setFrame(IPlugFrame* Frame)
{
    if (Frame)
        Frame->addRef();
    if (FFrame)
        FFrame->release();
    FFrame = Frame;
    return kResultOk;
}

tresult TVST3View::onWheel(float)
{
    return kResultFalse;
}

tresult TVST3View::onKeyDown(char16, int16, int16)
{
    return kResultFalse;
}

tresult TVST3View::onKeyUp(char16, int16, int16)
{
    return kResultFalse;
}

tresult TVST3View::onFocus(TBool)
{
    return kResultOk;
}

} // namespace VST3Marvo
