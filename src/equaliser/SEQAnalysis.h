#pragma once
// The spectrum the response view draws behind its curve: the module's tap on the audio (TSpectrumTap) and
// the analysis the editor runs on what it copies out of it (TSpectrumAnalyser).
//
// The tap is a ring of the mono mix (L + R) / 2 that the audio thread fills while an editor asks for it, and
// only then: one store per frame (released: a plain store on x86) and a released counter per block, no
// allocation, no lock, no system call. The editor's timer copies the newest samples out and throws the copy away when the writer lapped it
// meanwhile. The analysis (Hann window, FFT, 1/6-octave bands per plot column, ballistics) runs on the
// editor's thread alone.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

// What the tap records: nothing, the block after the volume, or the block before the filters.
enum TSpectrumSource : int
{
    spsOff = 0,
    spsOutput = 1,
    spsInput = 2
};

class TSpectrumTap
{
public:
    // Cells of the ring; twice the largest frame the analyser takes, so a block being written while the
    // editor copies does not touch the copy.
    static constexpr std::uint32_t kCapacity = 32768;
    static_assert((kCapacity & (kCapacity - 1)) == 0, "the ring's index wraps by masking");

    TSpectrumTap();

    // [editor] What the audio thread records from the next block on; spsOff stops it.
    void SetSource(TSpectrumSource Source) { FSource.store(Source, std::memory_order_relaxed); }
    // [any]
    TSpectrumSource Source() const { return static_cast<TSpectrumSource>(FSource.load(std::memory_order_relaxed)); }
    // [any] The rate of the samples recorded, as the module runs now.
    void SetSampleRate(float Rate) { FSampleRate.store(Rate, std::memory_order_relaxed); }
    float SampleRate() const { return FSampleRate.load(std::memory_order_relaxed); }

    // [audio] Records the block's mono mix when Where is the source asked for; nothing otherwise. Work bounded
    // by Frames (at most kCapacity cells are written).
    void Record(TSpectrumSource Where, const float* Left, const float* Right, std::int32_t Frames);

    // [any] How many samples were recorded in all (wrapping at 2^32).
    std::uint32_t Recorded() const { return FRecorded.load(std::memory_order_acquire); }
    // [editor] Copies the Count newest samples (Count <= kCapacity / 2), oldest first, into Out; samples
    // recorded before the count Since (a Recorded() taken when recording started) read as silence, and once
    // Count samples came after it, Since moves up to the first one copied. False, and Out unusable, when the
    // writer overwrote part of the copy while it was made: try again at the next tick.
    bool CopyNewest(float* Out, std::uint32_t Count, std::uint32_t& Since) const;

private:
    std::atomic<int> FSource{spsOff};
    std::atomic<float> FSampleRate{44100.0f};
    // The counter the writer claims before it writes cells, and the one it publishes after.
    std::atomic<std::uint32_t> FClaimed{0};
    std::atomic<std::uint32_t> FRecorded{0};
    std::unique_ptr<std::atomic<float>[]> FRing;
};

// TSpectrumAnalyser: levels per plot column from a frame of samples, and what the view shows of them.
//
// A frame (FrameSize samples, 8192 at 44.1 and 48 kHz: bins of 5 to 6 Hz at every rate) is Hann-windowed and
// transformed; each column's level is the power summed over the bins inside a 1/6 octave around its
// frequency (edge bins by the share of them inside), divided by the window's equivalent noise bandwidth in
// bins and by (sum of the window)^2 / 4. So a sine of amplitude A reads 20·log10(A) dB wherever it falls
// between bins, and pink noise reads flat. Levels stop at the floor, -90 dB.
//
// Ballistics (Update): the shown level follows a rise at once and falls at most 20 dB/s; the peak of each
// column holds for a second, then falls at 20 dB/s. Times are passed in, so tests choose them. [editor]
// throughout.
class TSpectrumAnalyser
{
public:
    static constexpr double kFloorDb = -90.0;
    static constexpr double kFallDbPerSecond = 20.0;
    static constexpr double kHoldSeconds = 1.0;
    static constexpr std::uint32_t kLargestFrame = TSpectrumTap::kCapacity / 2;

    // Columns at the given centre frequencies (Hz), all at the floor.
    explicit TSpectrumAnalyser(std::vector<double> ColumnFrequencies);
    ~TSpectrumAnalyser();

    // The frame size for a rate: the smallest power of two of at least Rate / 6 samples, within 256 and
    // kLargestFrame.
    static std::uint32_t FrameSize(double SampleRate);

    // Each column's power (linear, 1 for a full-scale sine) in a frame of FrameSize(SampleRate) samples.
    void ColumnPowers(const float* Frame, double SampleRate, std::vector<double>& Powers);
    // A power as dB, at least the floor.
    static double PowerDb(double Power);

    // Takes the levels of a new frame (dB per column) Elapsed seconds after the last one.
    void Update(const std::vector<double>& LevelsDb, double Elapsed);
    // A steady picture instead: adds a frame's column powers to an average, and shows the average (level and
    // peak alike, no ballistics); Reset starts a new one.
    void Accumulate(const float* Frame, double SampleRate);
    void ShowAverage();
    // Everything back to the floor.
    void Reset();

    std::size_t Columns() const { return FFrequencies.size(); }
    const std::vector<double>& ColumnFrequencies() const { return FFrequencies; }
    // What the view shows: the level and the held peak of each column, dB.
    const std::vector<double>& Shown() const { return FShown; }
    const std::vector<double>& Peaks() const { return FPeaks; }

private:
    struct TTransform;

    std::vector<double> FFrequencies;
    std::vector<double> FShown, FPeaks, FHeld; // FHeld: seconds each peak has been held
    std::vector<double> FPowers, FSum;         // the last frame's powers; the sum of those accumulated
    int FAccumulated = 0;
    std::unique_ptr<TTransform> FTransform;
};
