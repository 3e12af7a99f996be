// smalleq-bench: stereo frames per second through the equaliser with all eight bands active, for builds
// without Google Benchmark (the win32 build under Wine): the processReplacing entry, the skewed kernel and
// the plain per-sample loop on the same coefficients, 576- and 4096-frame blocks.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "platform/FPUControl.h"

int main(int argc, char** argv)
{
    TFPUControlScope fpu;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    TSmallEQModule* m = NewActiveModule();
    TCascade cascade;
    CopyCoefficients(*m, cascade);
    AEffect* e = m->Effect();
    for (int frames : {576, 4096})
    {
        std::vector<float> left(frames), right(frames), outLeft(frames), outRight(frames);
        for (int i = 0; i < frames; ++i)
            left[i] = static_cast<float>((i * 7919) % 1000) / 2000.0f - 0.25f, right[i] = -left[i];
        float* in[2] = {left.data(), right.data()};
        float* out[2] = {outLeft.data(), outRight.data()};
        const double entry = FramesPerSecond([&] { e->processReplacing(e, in, out, frames); }, frames, seconds);
        const double skewed = FramesPerSecond([&] { ProcessCascade(cascade, in, out, frames); }, frames, seconds);
        const double plain =
            FramesPerSecond([&] { ProcessCascadeReference(cascade, in, out, frames); }, frames, seconds);
        std::printf("%5d frames: processReplacing %7.2f M/s, skewed kernel %7.2f M/s, plain loop %7.2f M/s, "
                    "skewed/plain %.2f\n",
                    frames, entry / 1e6, skewed / 1e6, plain / 1e6, skewed / plain);
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
