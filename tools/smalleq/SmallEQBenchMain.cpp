// smalleq-bench [SECONDS [LIBRARY]]: stereo frames per second through the equaliser with all eight bands
// active, for builds without Google Benchmark (the Windows builds under Wine): the processReplacing entry, the
// skewed kernel and the plain per-sample loop on the same coefficients, 576- and 4096-frame blocks. With a
// plug-in LIBRARY (SmallEQ.so / SmallEQ.dll) it also times that library's processReplacing on the same
// setting, so a build's plug-in file is measured as a host meets it.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "SmallEQBenchSetup.h"
#include "platform/FPUControl.h"
#include "platform/System.h"

namespace
{
// The effect of the plug-in library at Path, opened, with the normalised parameter values of Setting; null
// (after a message) when it does not load.
AEffect* OpenLibraryEffect(const char* Path, AEffect& Setting, TLibraryHandle& Library)
{
    Library = LoadDynamicLibrary(Path);
    void* entry = Library ? GetLibraryEntry(Library, "VSTPluginMain") : nullptr;
    AEffect* e = entry ? reinterpret_cast<TMainProc>(entry)(&VersionOnlyHost) : nullptr;
    if (!e || e->magic != kEffectMagic || e->numParams != Setting.numParams)
    {
        std::fprintf(stderr, "smalleq-bench: %s is not the equaliser's plug-in library\n", Path);
        return nullptr;
    }
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    for (VstInt32 i = 0; i < Setting.numParams; ++i)
        e->setParameter(e, i, Setting.getParameter(&Setting, i));
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    return e;
}
} // namespace

int main(int argc, char** argv)
{
    TFPUControlScope fpu;
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    TSmallEQModule* m = NewActiveModule();
    TCascade cascade;
    CopyCoefficients(*m, cascade);
    AEffect* e = m->Effect();
    TLibraryHandle library = 0;
    AEffect* libraryEffect = argc > 2 ? OpenLibraryEffect(argv[2], *e, library) : nullptr;
    if (argc > 2 && !libraryEffect)
        return 1;
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
        if (libraryEffect)
        {
            AEffect* l = libraryEffect;
            const double viaLibrary = FramesPerSecond([&] { l->processReplacing(l, in, out, frames); }, frames, seconds);
            std::printf("%5d frames: the library's processReplacing %7.2f M/s\n", frames, viaLibrary / 1e6);
        }
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    if (libraryEffect)
    {
        libraryEffect->dispatcher(libraryEffect, effClose, 0, 0, nullptr, 0.0f);
        FreeDynamicLibrary(library);
    }
    return 0;
}
