// The plug-in library as a foreign host loads it: by path, through its exported entries.
#include <gtest/gtest.h>

#include <vector>

#include "platform/FPUControl.h"
#include "platform/System.h"
#include "SEQTestHost.h"

namespace
{

#if defined(_WIN32)
constexpr const char* kLibraryName = "SmallEQ.dll";
#else
constexpr const char* kLibraryName = "SmallEQ.so";
#endif

VstIntPtr VSTCALL SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float)
{
    return 0;
}

TEST(SmallEQLibrary, BothEntriesCreateWorkingInstances)
{
    TFPUControlScope fpu;
    const TLibraryHandle library = LoadDynamicLibrary(ExtractFilePath(ExecutablePath()) + kLibraryName);
    ASSERT_NE(library, 0u);
    for (const char* entry : {"VSTPluginMain", "main"})
    {
        SCOPED_TRACE(entry);
        auto main = reinterpret_cast<TMainProc>(GetLibraryEntry(library, entry));
        ASSERT_NE(main, nullptr);
        // A host that does not answer its version gets no effect.
        EXPECT_EQ(main(&SilentHost), nullptr);
        THostView host{main(&VersionOnlyHost)};
        ASSERT_NE(host.E, nullptr);
        EXPECT_EQ(host.E->magic, kEffectMagic);
        EXPECT_EQ(host.E->uniqueID, 0x564F524E);
        EXPECT_EQ(host.Dispatch(effGetPlugCategory), vpcEffect);
        host.Dispatch(effOpen);
        host.Dispatch(effMainsChanged, 0, 1);
        host.E->setParameter(host.E, 32, 0.0f); // −40 dB, limited to −15 dB
        std::vector<float> left(8192 * 2, 1.0f), right(8192 * 2, -1.0f);
        host.Process(left, right);
        EXPECT_NEAR(left.back(), 0.17783f, 1e-4f);
        EXPECT_NEAR(right.back(), -0.17783f, 1e-4f);
        EXPECT_EQ(host.Dispatch(effClose), 1);
    }
    FreeDynamicLibrary(library);
}

} // namespace
