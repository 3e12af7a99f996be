// The editor's window-thread work per event, on an editor embedded in a headless host window with every
// band active: the full background render, one meter timer tick with the paint it causes, and one drag step
// on a read-out (the parameter written through its handler, the redraw and the paint); at zoom 4 with the
// response view shown, the full redraw, the meter tick, the spectrum's tick and a drag step on a response
// handle. [window thread]
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "equaliser/SEQGUI.h"
#include "equaliser/SEQRequests.h"
#include "platform/FPUControl.h"
#include "platform/Forms.h"
#include "platform/headless/HeadlessDriver.h"

namespace
{

// The module with its editor open in a host window; a block of audio has run, so the meter shows levels.
struct TBenchEditor
{
    explicit TBenchEditor(int Zoom = 1, bool Response = false)
    {
        HeadlessDriver::Reset();
        TFormDeclaration D;
        D.Name = "HostWindow";
        D.ClientWidth = TFmVornEQ::kWidth;
        D.ClientHeight = TFmVornEQ::kHeight;
        Parent = new TForm(nullptr, D);
        Parent->Show();
        Module = NewActiveModule<TSmallEQPlugIn>();
        E = Module->Effect();
        E->dispatcher(E, effOpen, 0, 0, nullptr, 0.0f);
        E->dispatcher(E, effMainsChanged, 0, 1, nullptr, 0.0f);
        E->dispatcher(E, effVendorSpecific, kSEQRequestSetView, Zoom, nullptr, Response ? 1.0f : 0.0f);
        E->dispatcher(E, effEditOpen, 0, 0, Parent->Handle(), 0.0f);
        Editor = Module->Editor();
        std::vector<float> Left(576, 0.25f), Right(576, -0.5f);
        float* Planes[2] = {Left.data(), Right.data()};
        E->processReplacing(E, Planes, Planes, 576);
        Application().ProcessMessages();
    }
    ~TBenchEditor()
    {
        E->dispatcher(E, effEditClose, 0, 0, nullptr, 0.0f);
        E->dispatcher(E, effClose, 0, 0, nullptr, 0.0f);
        delete Parent;
        HeadlessDriver::Reset();
    }
    TBenchEditor(const TBenchEditor&) = delete;
    TBenchEditor& operator=(const TBenchEditor&) = delete;

    TFPUControlScope FPU;
    TForm* Parent = nullptr;
    TSmallEQPlugIn* Module = nullptr;
    AEffect* E = nullptr;
    TFmVornEQ* Editor = nullptr;
};

void BM_RenderBackground(benchmark::State& State)
{
    TBenchEditor B;
    for (auto _ : State)
    {
        B.Editor->RenderBackground(255);
        benchmark::DoNotOptimize(B.Editor->DisplayBitmap().Bits());
    }
}

void BM_GUITimerTickWithPaint(benchmark::State& State)
{
    TBenchEditor B;
    const int Paints = HeadlessDriver::PaintCount(*B.Editor);
    for (auto _ : State)
    {
        B.Editor->GUITimerTimer(B.Editor->Timer("GUITimer"));
        Application().ProcessMessages();
    }
    if (HeadlessDriver::PaintCount(*B.Editor) - Paints < State.iterations())
        State.SkipWithError("a tick was not painted");
}

// One mouse move with the left button held over the editor's read-out Panel: alternately one pixel each way
// from its centre (so the value swings and never sticks at a limit), along Y or X. Parameter Kind of the
// selected band is what the read-out changes.
void DragStep(benchmark::State& State, const TRect& (TFmVornEQ::*Panel)() const, TBandParameter Kind, bool Vertical)
{
    TBenchEditor B;
    const TRect R = (B.Editor->*Panel)();
    const int CX = (R.Left + R.Right) / 2, CY = (R.Top + R.Bottom) / 2;
    HeadlessDriver::MouseDown(*B.Editor, TMouseButton::mbLeft, ssLeft, CX, CY);
    HeadlessDriver::SetShiftOfQueuedMoves(ssLeft);
    const int Index = ParameterIndex(B.Editor->SelectedFilter(), Kind);
    const float Before = B.Module->ShownParameter(Index);
    HeadlessDriver::MouseMove(*B.Editor, ssLeft, Vertical ? CX : CX + 1, Vertical ? CY + 1 : CY);
    if (B.Module->ShownParameter(Index) == Before)
        State.SkipWithError("the drag step left the parameter as it was");
    const int Paints = HeadlessDriver::PaintCount(*B.Editor);
    int Step = -1;
    for (auto _ : State)
    {
        HeadlessDriver::MouseMove(*B.Editor, ssLeft, Vertical ? CX : CX + Step, Vertical ? CY + Step : CY);
        Step = -Step;
    }
    if (HeadlessDriver::PaintCount(*B.Editor) - Paints < State.iterations())
        State.SkipWithError("a drag step was not painted");
    HeadlessDriver::MouseUp(*B.Editor, TMouseButton::mbLeft, 0, CX, CY);
}

void BM_DragStepGain(benchmark::State& State)
{
    DragStep(State, &TFmVornEQ::GainRect, bpGain, true);
}

void BM_DragStepFrequencyWithOverview(benchmark::State& State)
{
    DragStep(State, &TFmVornEQ::FrequencyRect, bpFrequency, false);
}

constexpr int kZoom = 4;

void BM_FullRedrawAtZoom4WithResponse(benchmark::State& State)
{
    TBenchEditor B(kZoom, true);
    const int Paints = HeadlessDriver::PaintCount(*B.Editor);
    for (auto _ : State)
    {
        B.Editor->RenderBackground(255);
        B.Editor->Repaint();
    }
    if (HeadlessDriver::PaintCount(*B.Editor) - Paints < State.iterations())
        State.SkipWithError("a redraw was not painted");
}

void BM_GUITimerTickAtZoom4WithResponse(benchmark::State& State)
{
    TBenchEditor B(kZoom, true);
    for (auto _ : State)
    {
        B.Editor->GUITimerTimer(B.Editor->Timer("GUITimer"));
        Application().ProcessMessages();
    }
}

// The update timer's work while the output's spectrum is shown at zoom 4: the newest frame copied from the
// tap, transformed, banded and drawn behind the curve, and the zoomed paint. A 512-frame block of noise runs
// before each tick (in the time measured), so every tick has a new frame.
void BM_SpectrumTickAtZoom4(benchmark::State& State)
{
    TBenchEditor B(kZoom + kSEQViewSpectrumOutput, true); // the flag goes with the zoom, as a host sends it
    std::mt19937 Random(5);
    std::uniform_real_distribution<float> U(-0.5f, 0.5f);
    std::vector<float> Left(512), Right(512);
    float* Planes[2] = {Left.data(), Right.data()};
    const auto Block = [&] {
        for (std::size_t i = 0; i < Left.size(); ++i)
            Left[i] = Right[i] = U(Random);
        B.E->processReplacing(B.E, Planes, Planes, 512);
    };
    for (int i = 0; i < 20; ++i)
        Block();
    const int Paints = HeadlessDriver::PaintCount(*B.Editor);
    for (auto _ : State)
    {
        Block();
        if (!B.Editor->ShowSpectrum(0.04))
            State.SkipWithError("no frame was read");
        Application().ProcessMessages();
    }
    if (HeadlessDriver::PaintCount(*B.Editor) - Paints < State.iterations())
        State.SkipWithError("a tick was not painted");
}

// One mouse move with the left button held on the selected band's response handle, one panel pixel up and
// down in turn: the band's gain written, the panel's read-outs, the strip and the view redrawn, and the zoomed
// paint.
void BM_ResponseDragStepAtZoom4(benchmark::State& State)
{
    TBenchEditor B(kZoom, true);
    const TPoint H = B.Editor->Response().HandleCentre(B.Editor->SelectedFilter());
    const int X = H.X * kZoom + 1, Y = (TFmVornEQ::kHeight + H.Y) * kZoom + 1;
    HeadlessDriver::MouseDown(*B.Editor, TMouseButton::mbLeft, ssLeft, X, Y);
    if (!B.Editor->Response().Dragging())
        State.SkipWithError("the press found no handle");
    const int Paints = HeadlessDriver::PaintCount(*B.Editor);
    int Step = -kZoom;
    for (auto _ : State)
    {
        HeadlessDriver::MouseMove(*B.Editor, ssLeft, X, Y + Step);
        Application().ProcessMessages();
        Step = Step ? 0 : -kZoom;
    }
    if (HeadlessDriver::PaintCount(*B.Editor) - Paints < State.iterations() / 2)
        State.SkipWithError("a drag step was not painted");
    HeadlessDriver::MouseUp(*B.Editor, TMouseButton::mbLeft, 0, X, Y);
}

BENCHMARK(BM_FullRedrawAtZoom4WithResponse);
BENCHMARK(BM_SpectrumTickAtZoom4);
BENCHMARK(BM_GUITimerTickAtZoom4WithResponse);
BENCHMARK(BM_ResponseDragStepAtZoom4);
BENCHMARK(BM_RenderBackground);
BENCHMARK(BM_GUITimerTickWithPaint);
BENCHMARK(BM_DragStepGain);
BENCHMARK(BM_DragStepFrequencyWithOverview);

} // namespace
