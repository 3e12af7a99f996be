// The response view's window-thread work per event, with every band active: a whole redraw, and one drag
// step on a handle (the parameters written through their handlers, then the redraw). [editor]
#include <benchmark/benchmark.h>

#include "SmallEQBenchSetup.h"
#include "equaliser/SEQResponseView.h"
#include "platform/FPUControl.h"

namespace
{

struct TBenchView
{
    TBenchView() : Module(NewActiveModule()), View(Module) {}
    ~TBenchView()
    {
        AEffect* E = Module->Effect();
        E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
    }
    TBenchView(const TBenchView&) = delete;
    TBenchView& operator=(const TBenchView&) = delete;

    TFPUControlScope FPU;
    TSmallEQModule* Module;
    TResponseView View;
    TBitmap32 Bitmap;
};

void BM_ResponseViewDraw(benchmark::State& State)
{
    TBenchView B;
    for (auto _ : State)
    {
        B.View.Draw(B.Bitmap, 3);
        benchmark::DoNotOptimize(B.Bitmap.Bits());
    }
}

// Alternately one pixel up-right and back, so the band swings and never sticks at a limit.
void BM_ResponseViewDragStep(benchmark::State& State)
{
    TBenchView B;
    const TPoint C = B.View.HandleCentre(3);
    if (B.View.MouseDown(TMouseButton::mbLeft, ssLeft, C.X, C.Y) != 3)
        State.SkipWithError("the press missed the handle");
    int Step = 1;
    for (auto _ : State)
    {
        if (!B.View.MouseMove(ssLeft, C.X + (Step > 0), C.Y - (Step > 0)))
        {
            State.SkipWithError("the drag step wrote nothing");
            break;
        }
        B.View.Draw(B.Bitmap, 3);
        benchmark::DoNotOptimize(B.Bitmap.Bits());
        Step = -Step;
    }
    B.View.MouseUp();
}

BENCHMARK(BM_ResponseViewDraw);
BENCHMARK(BM_ResponseViewDragStep);

} // namespace
