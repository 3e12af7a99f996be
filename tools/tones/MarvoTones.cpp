// marvo-tones: "make OUT.wav" writes the demo clip, a sequence of sine tones (44.1 kHz stereo 16-bit WAV,
// -24 dBFS each, 1 s, with short silent gaps); "measure BEFORE AFTER" prints each tone's level in both files
// and the gain between them, from a Hann-windowed single-bin DFT over the tone's steady middle.
// Levels are dBFS of the tone's peak amplitude (a full-scale sine is 0 dBFS), power-averaged over channels.
#include <cmath>
#include <cstdio>
#include <exception>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "audiofile/AudioFile.h"
#include "audiofile/WavFile.h"
#include "console/ProgressBar.h"
#include "console/ToolMain.h"

namespace
{

// The clip: tones at the presets' bands (100 Hz, 1 kHz, 10 kHz) and one between them that they leave alone.
constexpr double kTones[] = {100.0, 1000.0, 10000.0, 3000.0};
constexpr double kToneLevel = -24.0; // dBFS
constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr double kLead = 0.25, kTone = 1.0, kGap = 0.25, kFade = 0.01; // seconds
// The part of each tone that is measured: its middle half, away from the fades and the filters' settling.
constexpr double kMeasureFrom = 0.25, kMeasureLength = 0.5; // seconds from the tone's start

double ToneStart(std::size_t Tone)
{
    return kLead + static_cast<double>(Tone) * (kTone + kGap);
}

void Make(const std::string& Path)
{
    TWavFormat F;
    F.SampleRate = kRate;
    F.Channels = kChannels;
    F.Bits = 16;
    const double Amplitude = std::pow(10.0, kToneLevel / 20.0);
    const auto Frames = static_cast<std::size_t>(std::lround(ToneStart(std::size(kTones)) * kRate));
    std::vector<float> Clip(Frames * kChannels, 0.0f);
    for (std::size_t T = 0; T < std::size(kTones); ++T)
    {
        const auto Start = static_cast<std::size_t>(std::lround(ToneStart(T) * kRate));
        const auto Length = static_cast<std::size_t>(std::lround(kTone * kRate));
        const double Fade = kFade * kRate;
        for (std::size_t I = 0; I < Length; ++I)
        {
            const double N = static_cast<double>(I);
            const double Edge = std::min(N, static_cast<double>(Length - 1 - I));
            const double Envelope = Edge >= Fade ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * Edge / Fade);
            const double V = Amplitude * Envelope * std::sin(2.0 * std::numbers::pi * kTones[T] * N / kRate);
            for (int C = 0; C < kChannels; ++C)
                Clip[(Start + I) * kChannels + static_cast<std::size_t>(C)] = static_cast<float>(V);
        }
    }
    TWavWriter W(Path, F);
    W.Write(Clip.data(), Frames);
    W.Close();
}

struct TClip
{
    int SampleRate = 0;
    int Channels = 0;
    std::vector<float> Samples;
};

TClip ReadAll(const std::string& Path)
{
    std::unique_ptr<TAudioReader> R = OpenAudioReader(Path);
    TClip C{R->Format().SampleRate, R->Format().Channels, {}};
    std::vector<float> Block(4096 * static_cast<std::size_t>(C.Channels));
    while (const std::size_t N = R->Read(Block.data(), 4096))
        C.Samples.insert(C.Samples.end(), Block.begin(), Block.begin() + static_cast<std::ptrdiff_t>(N * C.Channels));
    return C;
}

// The level in dBFS of the tone Tone of the clip, from a Hann-windowed DFT at its frequency.
double ToneLevel(const TClip& Clip, std::size_t Tone, const std::string& Path)
{
    const auto Channels = static_cast<std::size_t>(Clip.Channels);
    const auto First = static_cast<std::size_t>(std::lround((ToneStart(Tone) + kMeasureFrom) * Clip.SampleRate));
    const auto Length = static_cast<std::size_t>(std::lround(kMeasureLength * Clip.SampleRate));
    if ((First + Length) * Channels > Clip.Samples.size())
        throw std::runtime_error("'" + Path + "' ends before the tone at " + std::to_string(kTones[Tone]) +
                                 " Hz (is it the clip of 'marvo-tones make'?)");
    const double W = 2.0 * std::numbers::pi * kTones[Tone] / Clip.SampleRate;
    double Power = 0.0;
    for (std::size_t C = 0; C < Channels; ++C)
    {
        double Re = 0.0, Im = 0.0, WindowSum = 0.0;
        for (std::size_t I = 0; I < Length; ++I)
        {
            const double H = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(I) /
                                                  static_cast<double>(Length));
            const double X = H * Clip.Samples[(First + I) * Channels + C];
            const double Phase = W * static_cast<double>(First + I);
            Re += X * std::cos(Phase);
            Im -= X * std::sin(Phase);
            WindowSum += H;
        }
        const double Amplitude = 2.0 * std::hypot(Re, Im) / WindowSum;
        Power += Amplitude * Amplitude;
    }
    Power /= static_cast<double>(Channels);
    return Power > 0.0 ? 10.0 * std::log10(Power) : -999.0;
}

std::string Frequency(double Hz)
{
    char B[32];
    if (Hz >= 1000.0)
        std::snprintf(B, sizeof B, "%g kHz", Hz / 1000.0);
    else
        std::snprintf(B, sizeof B, "%g Hz", Hz);
    return B;
}

void Measure(const std::string& BeforePath, const std::string& AfterPath)
{
    const TClip Before = ReadAll(BeforePath), After = ReadAll(AfterPath);
    if (Before.SampleRate != After.SampleRate)
        throw std::runtime_error("'" + BeforePath + "' is at " + std::to_string(Before.SampleRate) + " Hz, '" +
                                 AfterPath + "' at " + std::to_string(After.SampleRate) + " Hz");
    std::printf("tone        before        after         gain\n");
    for (std::size_t T = 0; T < std::size(kTones); ++T)
    {
        const double B = ToneLevel(Before, T, BeforePath), A = ToneLevel(After, T, AfterPath);
        std::printf("%-10s  %7.2f dBFS  %7.2f dBFS  %+6.2f dB\n", Frequency(kTones[T]).c_str(), B, A, A - B);
    }
}

const char* const kUsage = "usage: marvo-tones make OUT.wav | measure BEFORE AFTER\n"
                           "  make      writes the demo clip: 44.1 kHz stereo 16-bit, one 1 s sine at -24 dBFS\n"
                           "            per tone (100 Hz, 1 kHz, 10 kHz, 3 kHz), 0.25 s apart\n"
                           "  measure   prints each tone's level in BEFORE and AFTER (dBFS, from the middle\n"
                           "            0.5 s of the tone) and the gain between them\n";

} // namespace

int main(int argc, char** argv)
{
    try
    {
        const std::vector<std::string> Given(argv + 1, argv + argc);
        if (AsksForHelp(Given))
        {
            std::fputs(kUsage, stdout);
            return 0;
        }
        TCommandLineReader R;
        R.AddCommand("make", "OUT.wav", 1, 1);
        R.AddCommand("measure", "BEFORE AFTER", 2, 2);
        std::vector<std::string> Args;
        if (R.Read(Given, Args) == "make")
            Make(Args[0]);
        else
            Measure(Args[0], Args[1]);
        return 0;
    }
    catch (const EUsageError&)
    {
        std::fputs(kUsage, stderr);
        return 2;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "marvo-tones: %s\n", OneLine(E.what()).c_str());
        return 1;
    }
}
