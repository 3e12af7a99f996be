// The equaliser under concurrent use: parameter writes on one thread while another processes (run under
// the tsan preset to prove the absence of races), and several instances living side by side.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

#include "equaliser/SmallEQModule.h"
#include "platform/FPUControl.h"
#include "SEQTestHost.h"
#ifdef MARVO_HEADLESS
#include "SEQGUITestSupport.h"
#endif
#include "platform/System.h"

namespace
{

THostView NewInstance()
{
    auto* module = new TSmallEQModule(nullptr);
    module->SetAudioMaster(&VersionOnlyHost);
    THostView host{module->Effect()};
    host.Dispatch(effOpen);
    host.Dispatch(effMainsChanged, 0, 1);
    return host;
}

std::vector<float> Noise(std::uint32_t Seed, std::size_t n)
{
    std::mt19937 random(Seed);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (float& x : v)
        x = u(random);
    return v;
}

// Every block runs with whole coefficient sets: however the writes fall, the output stays finite and
// bounded. (Abrupt jumps of narrow low-frequency bands make transients of up to about 1e7 from noise of
// amplitude 1, measured over 10^8 frames of random settings; an unstable section overflows within blocks.)
TEST(SmallEQThreads, ProcessingStaysSoundWhileAnotherThreadWritesParameters)
{
    THostView host = NewInstance();
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, bad{0};

    std::thread playback([&] {
        TFPUControlScope fpu;
        std::vector<float> left(576), right(576);
        std::uint32_t seed = 1;
        while (!stop.load())
        {
            left = Noise(seed++, 576);
            right = Noise(seed++, 576);
            host.Process(left, right);
            for (std::size_t i = 0; i < left.size(); ++i)
                if (!(std::fabs(left[i]) < 1e10f) || !(std::fabs(right[i]) < 1e10f))
                    bad.fetch_add(1);
            blocks.fetch_add(1);
        }
    });
    std::thread window([&] {
        TFPUControlScope fpu;
        std::mt19937 random(77);
        std::uniform_int_distribution<int> index(0, 32);
        std::uniform_real_distribution<float> normalised(0.0f, 1.0f);
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        for (long n = 0; std::chrono::steady_clock::now() < end; ++n)
        {
            host.E->setParameter(host.E, index(random), normalised(random));
            if (n % 500 == 0)
                host.Dispatch(effSetSampleRate, 0, 0, nullptr, (n / 500) % 2 ? 48000.0f : 44100.0f);
        }
        stop.store(true);
    });
    window.join();
    playback.join();
    host.Dispatch(effClose);
    EXPECT_GT(blocks.load(), 10);
    EXPECT_EQ(bad.load(), 0);
}

// A host applies its generic editor's changes on one thread while its automation writes other parameters on
// another, and a third thread processes: every write reads back at once on the thread that made it.
TEST(SmallEQThreads, TwoWriterThreadsLoseNoWrite)
{
    THostView host = NewInstance();
    auto* module = static_cast<TSmallEQModule*>(host.E->object);
    std::atomic<bool> stop{false};
    std::atomic<int> writersDone{0};
    std::atomic<long> lost{0}, blocks{0};
    std::thread playback([&] {
        TFPUControlScope fpu;
        std::vector<float> left(256, 0.25f), right(256, -0.25f);
        while (!stop.load())
        {
            host.Process(left, right);
            blocks.fetch_add(1);
        }
    });
    constexpr int kWrites = 3000;
    // Bands 0..3 through the host's setParameter entry (normalised values).
    std::thread automation([&] {
        TFPUControlScope fpu;
        for (int n = 0; n < kWrites; ++n)
        {
            const VstInt32 index = n % 16;
            const float value = (n % 7 + 1) / 8.0f;
            host.E->setParameter(host.E, index, value);
            if (std::fabs(host.E->getParameter(host.E, index) - value) > 1e-4f)
                lost.fetch_add(1);
        }
        writersDone.fetch_add(1);
    });
    // Bands 4..7 and the volume through SetParameterAutomated (real values inside their ranges).
    std::thread editor([&] {
        TFPUControlScope fpu;
        for (int n = 0; n < kWrites; ++n)
        {
            const std::int32_t index = 16 + n % 17;
            const float value = index == TSmallEQModule::kVolumeIndex ? -float(n % 9)
                                : index % 4 == 0                       ? 100.0f + float(n % 50) * 10.0f
                                : index % 4 == 1                       ? float(n % 11) - 5.0f
                                                                       : float(n % 5) / 4.0f;
            module->SetParameterAutomated(index, value);
            if (module->Parameter(index) != value || module->ShownParameter(index) != value)
                lost.fetch_add(1);
        }
        writersDone.fetch_add(1);
    });
    automation.join();
    editor.join();
    stop.store(true);
    playback.join();
    EXPECT_EQ(lost.load(), 0);
    EXPECT_EQ(writersDone.load(), 2);
    host.Dispatch(effClose);
}

// Instances share nothing: one processes on its own thread while others are created, used and closed, and
// its output equals that of an instance that ran alone.
TEST(SmallEQThreads, InstancesAreIndependentAndCloseWhileAnotherProcesses)
{
    const auto configure = [](const THostView& h) {
        auto* m = static_cast<TSmallEQModule*>(h.E->object);
        m->SetParameterAutomated(13, 9.0f);
        m->SetParameterAutomated(21, -6.0f);
        m->SetParameterAutomated(32, -2.0f);
    };
    const auto run = [](const THostView& h, std::vector<float>& out) {
        TFPUControlScope fpu;
        for (std::uint32_t block = 0; block < 50; ++block)
        {
            std::vector<float> left = Noise(block, 8192), right = Noise(block + 1000, 8192);
            h.Process(left, right);
            out.insert(out.end(), left.begin(), left.begin() + 16);
            out.insert(out.end(), right.end() - 16, right.end());
        }
    };
    THostView alone = NewInstance(), busy = NewInstance();
    configure(alone);
    configure(busy);
    std::vector<float> expected, actual;
    run(alone, expected);
    std::thread playback([&] { run(busy, actual); });
    for (int i = 0; i < 20; ++i)
    {
        THostView other = NewInstance();
        static_cast<TSmallEQModule*>(other.E->object)->SetParameterAutomated(1, 15.0f);
        std::vector<float> left = Noise(i, 576), right = Noise(i + 1, 576);
        other.Process(left, right);
        other.Dispatch(effClose);
    }
    playback.join();
    EXPECT_EQ(actual, expected);
    alone.Dispatch(effClose);
    busy.Dispatch(effClose);
}

#ifdef MARVO_HEADLESS
// A host automates parameters on its own thread while the editor is open: the editor draws only on the
// window thread (the timer catches up with what the other thread changed) and reads nothing that the other
// thread writes without synchronisation, while playback runs on a third thread.
TEST(SmallEQThreads, AutomationFromAnotherThreadReachesTheOpenEditor)
{
    TOpenEditor open;
    const THostView& host = open.Host;
    std::atomic<bool> stop{false};
    std::thread playback([&] {
        TFPUControlScope fpu;
        std::vector<float> left(576, 0.5f), right(576, -0.25f);
        while (!stop.load())
            host.Process(left, right);
    });
    std::thread automation([&] {
        std::mt19937 random(5);
        std::uniform_real_distribution<float> normalised(0.0f, 1.0f);
        for (int n = 0; n < 4000; ++n)
            for (int index : {12, 13, 14, 15, 32, 5})
                host.E->setParameter(host.E, index, normalised(random));
        host.E->setParameter(host.E, 13, 0.75f); // +7.5 dB
    });
    for (int tick = 0; tick < 200; ++tick)
    {
        HeadlessDriver::AdvanceTime(40);
        Application().ProcessMessages();
    }
    automation.join();
    stop.store(true);
    playback.join();
    HeadlessDriver::AdvanceTime(40);
    Application().ProcessMessages();
    EXPECT_EQ(open.Editor->GainText(), "7" + DecimalSeparator() + "50 dB");
    EXPECT_EQ(open.Module->ShownParameter(13), open.Module->Parameter(13));
}
// The spectrum's tap between the audio thread and the editor's timer: playback records a sine block by block
// while the editor's update timer reads and draws, and the editor is closed and opened again meanwhile.
TEST(SmallEQThreads, TheSpectrumTapIsReadWhileAudioPlaysAndTheEditorComesAndGoes)
{
    TOpenEditor open(200, 100, [](const THostView& H) {
        H.Dispatch(effVendorSpecific, kSEQRequestSetView, 1 + kSEQViewSpectrumOutput, nullptr, 1.0f);
    });
    const THostView& host = open.Host;
    std::atomic<bool> stop{false};
    std::thread playback([&] {
        TFPUControlScope fpu;
        std::vector<float> left(512), right(512);
        for (std::size_t n = 0; !stop.load(); n += left.size())
        {
            for (std::size_t i = 0; i < left.size(); ++i)
                left[i] = right[i] = 0.5f * static_cast<float>(std::sin(2.0 * 3.14159265358979 * 1000.0 *
                                                                        static_cast<double>((n + i) % 44100) / 44100.0));
            host.Process(left, right);
            // The audio's pace, roughly: a block every few milliseconds rather than as fast as it goes.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    // The peak of the sine's column as each editor saw it before it closed.
    std::vector<double> Seen;
    const TSpectrumTap& Tap = open.Module->SpectrumTap();
    for (int round = 0; round < 3; ++round)
    {
        // Until this editor's tap has recorded two frames; the timer reads on meanwhile and after.
        const std::uint32_t Start = Tap.Recorded();
        while (Tap.Recorded() - Start < 2 * TSpectrumAnalyser::FrameSize(44100.0))
        {
            HeadlessDriver::AdvanceTime(40);
            Application().ProcessMessages();
        }
        for (int tick = 0; tick < 10; ++tick)
        {
            HeadlessDriver::AdvanceTime(40);
            Application().ProcessMessages();
        }
        const TSpectrumAnalyser& Spectrum = open.Editor->Spectrum();
        const auto Column = static_cast<std::size_t>(std::lround(open.Editor->Response().XOfFrequency(1000.0))) - 17;
        Seen.push_back(Spectrum.Peaks()[Column]);
        host.Dispatch(effEditClose);
        EXPECT_EQ(Tap.Source(), spsOff);
        host.Dispatch(effEditOpen, 0, 0, open.Parent->Handle());
        open.Editor = open.Module->Editor();
    }
    stop.store(true);
    playback.join();
    for (double Peak : Seen)
        EXPECT_NEAR(Peak, -6.0, 1.0) << "each editor saw the sine of -6 dBFS";
}
#endif

} // namespace
