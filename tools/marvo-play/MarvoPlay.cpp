// marvo-play: an audio file through module 0 of a DSP plug-in, block by block, as the player's integer PCM.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

#include "MarvoPlay.h"
#include "audiofile/AudioFile.h"
#include "console/ProgressBar.h"
#include "platform/Forms.h"
#if MARVO_PLAY_WINDOWED
#include "platform/WindowProbe.h"
#endif

namespace
{

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code E;
    return std::filesystem::equivalent(A, B, E) && !E;
}

// The player's main window stand-in: a small top-level form that is never shown. Plug-ins own their
// windows by it.
TFormDeclaration PlayerDeclaration()
{
    TFormDeclaration D;
    D.Name = "MarvoPlayer";
    D.Caption = "marvo-play";
    D.BorderStyle = TFormBorderStyle::bsSingle;
    D.ClientWidth = 275;
    D.ClientHeight = 116;
    return D;
}

#if MARVO_PLAY_WINDOWED
// The caption of the window that --show waits for.
constexpr const char* kPlugInWindowCaption = "Marvo";

// [host-main] Whether the plug-in's window (a top-level window captioned "Marvo" owned by the player's
// window) is visible; false when there is none.
bool PlugInWindowVisible(TNativeHandle Player)
{
    for (const auto& W : TopLevelWindows())
        if (W.Owner == Player && W.Caption == kPlugInWindowCaption)
            return W.Visible;
    return false;
}
#endif

} // namespace

void EncodePlayerSamples(const float* In, std::size_t Samples, int Bits, unsigned char* Out)
{
    const double Scale = std::ldexp(1.0, Bits - 1);
    const std::size_t Width = static_cast<std::size_t>(Bits / 8);
    for (std::size_t I = 0; I < Samples; ++I)
    {
        const double V = static_cast<double>(In[I]) * Scale;
        std::int64_t Q = 0;
        if (V >= Scale - 1.0)
            Q = static_cast<std::int64_t>(Scale) - 1;
        else if (V <= -Scale)
            Q = -static_cast<std::int64_t>(Scale);
        else if (!std::isnan(V))
            Q = std::llrint(V);
        auto U = static_cast<std::uint32_t>(Q);
        for (std::size_t K = 0; K < Width; ++K, U >>= 8)
            Out[I * Width + K] = static_cast<unsigned char>(U);
    }
}

void DecodePlayerSamples(const unsigned char* In, std::size_t Samples, int Bits, float* Out)
{
    const std::size_t Width = static_cast<std::size_t>(Bits / 8);
    const float Scale = std::ldexp(1.0f, 1 - Bits);
    for (std::size_t I = 0; I < Samples; ++I)
    {
        // The sample's bytes at the top of a 32-bit word, then an arithmetic shift down: sign extension.
        std::uint32_t U = 0;
        for (std::size_t K = 0; K < Width; ++K)
            U |= static_cast<std::uint32_t>(In[I * Width + K]) << (8 * (4 - Width + K));
        const std::int32_t S = static_cast<std::int32_t>(U) >> (32 - Bits);
        Out[I] = static_cast<float>(S) * Scale;
    }
}

#if MARVO_PLAY_WINDOWED
namespace
{
// [host-main, also audio here] Plays block by block at the file's pace while the plug-in's window is open, the
// message loop running meanwhile; then keeps the window until the listener closes it (the plug-in saves its
// setting at Quit). Played is the count of frames PlayBlock has played so far.
void PlayInRealTime(TDSPPlugIn& PlugIn, TForm& Player, int SampleRate, const std::function<bool()>& PlayBlock,
                    const std::int64_t& Played)
{
    bool Open = false;
    if (PlugIn.Config())
    {
        Application().ProcessMessages();
        Open = PlugInWindowVisible(Player.Handle());
    }
    if (Open)
        std::printf("marvo-play: playing in real time; close the \"Marvo\" window to finish\n");
    else
        std::fprintf(stderr, "marvo-play: the plug-in shows no \"Marvo\" window; playing at full speed\n");
    std::fflush(stdout);
    const auto Start = std::chrono::steady_clock::now();
    while (Open && PlayBlock())
    {
        // Paced by the frames played so far; the message loop runs meanwhile.
        const auto Due = Start + std::chrono::microseconds(Played * 1000000 / SampleRate);
        do
        {
            Application().ProcessMessages();
            Open = PlugInWindowVisible(Player.Handle());
            const auto Left = std::chrono::duration_cast<std::chrono::milliseconds>(
                Due - std::chrono::steady_clock::now());
            if (Left.count() <= 0)
                break;
            SystemSleep(static_cast<unsigned>(std::min<std::int64_t>(Left.count(), 10)));
        } while (Open);
    }
    if (Open)
        std::printf("marvo-play: the file has ended; close the \"Marvo\" window to finish\n");
    std::fflush(stdout);
    // The plug-in's setting is saved at Quit: keep its window until it is closed.
    while (Open)
    {
        Application().ProcessMessages();
        SystemSleep(20);
        Open = PlugInWindowVisible(Player.Handle());
    }
}
} // namespace
#endif

int RunPlay(const TPlayOptions& O)
{
#if !MARVO_PLAY_WINDOWED
    if (O.Show)
        throw std::runtime_error("--show needs the Windows build (marvo-play.exe); this build has no window system");
#endif
    std::unique_ptr<TAudioReader> Reader = OpenAudioReader(O.Input);
    const TAudioFormat& In = Reader->Format();
    if (In.Channels < 1 || In.SampleRate < 1)
        throw std::runtime_error("cannot play '" + O.Input + "': " + std::to_string(In.Channels) + " channels at " +
                                 std::to_string(In.SampleRate) + " Hz");
    if (SameFile(O.Input, O.Output))
        throw std::runtime_error("'" + O.Output + "' is the input file; choose another output file");
    TAudioFormat Out = In;
    Out.Encoding = IntegerPcmEncoding(In, O.Bits);

    // Declared in this order so that the plug-in quits before its parent window goes, and the file is
    // closed before the library is freed.
    TForm Player(nullptr, PlayerDeclaration());
    TDSPPlugIn PlugIn(O.PlugIn, Player.Handle());
    std::unique_ptr<TAudioWriter> Writer = CreateAudioWriter(O.Output, Out);

    const auto Channels = static_cast<std::size_t>(In.Channels);
    const auto Block = static_cast<std::size_t>(O.BlockSize);
    const std::size_t Width = static_cast<std::size_t>(O.Bits / 8);
    // The player's buffer has room for twice the block: a plug-in may answer more frames than it got.
    std::vector<float> Samples(2 * Block * Channels);
    std::vector<unsigned char> Pcm(2 * Block * Channels * Width);
    std::int64_t Played = 0, Written = 0;

    // [host-main, also audio here] One block of the file through the plug-in into the output; false at the end.
    const auto PlayBlock = [&]() {
        const std::size_t N = Reader->Read(Samples.data(), Block);
        if (N == 0)
            return false;
        std::fill(Pcm.begin(), Pcm.end(), 0);
        EncodePlayerSamples(Samples.data(), N * Channels, O.Bits, Pcm.data());
        const auto M = static_cast<std::size_t>(
            PlugIn.ModifySamples(Pcm.data(), static_cast<int>(N), O.Bits, In.Channels, In.SampleRate));
        DecodePlayerSamples(Pcm.data(), M * Channels, O.Bits, Samples.data());
        Writer->Write(Samples.data(), M);
        Played += static_cast<std::int64_t>(N);
        Written += static_cast<std::int64_t>(M);
        return true;
    };

    try
    {
#if MARVO_PLAY_WINDOWED
        if (O.Show)
            PlayInRealTime(PlugIn, Player, In.SampleRate, PlayBlock, Played);
#endif
        TProgressBar Progress("marvo-play: playing", In.Frames,
                              !O.Show && TProgressBar::Wanted(In.Frames, In.SampleRate));
        while (PlayBlock())
            Progress.Update(Played);
        Progress.Finish();
        PlugIn.Quit();
        Writer->Close();
    }
    catch (...)
    {
        Writer.reset();
        std::error_code Ignored;
        std::filesystem::remove(O.Output, Ignored);
        throw;
    }
    const std::string Name = PlugIn.ModuleDescription().empty() ? PlugIn.Description() : PlugIn.ModuleDescription();
    std::printf("marvo-play: %lld frames of %d channel%s at %d Hz through '%s' (%d-bit) into '%s' (%s)\n",
                static_cast<long long>(Written), In.Channels, In.Channels == 1 ? "" : "s", In.SampleRate,
                Name.c_str(), O.Bits, O.Output.c_str(), Writer->Description().c_str());
    return 0;
}
