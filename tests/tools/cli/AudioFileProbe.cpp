// audiofile-probe: the end-to-end test's audio files. "write FILE CHANNELS RATE FRAMES" writes a 16-bit WAV
// of one sine per channel; "show FILE" prints a file's channels, rate, frames and encoding on one line.
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "audiofile/AudioFile.h"
#include "audiofile/WavFile.h"

int main(int argc, char** argv)
{
    try
    {
        const std::string Command = argc > 1 ? argv[1] : "";
        if (Command == "write" && argc == 6)
        {
            TWavFormat F;
            F.Channels = std::stoi(argv[3]);
            F.SampleRate = std::stoi(argv[4]);
            const long Frames = std::stol(argv[5]);
            TWavWriter W(argv[2], F);
            std::vector<float> Frame(static_cast<std::size_t>(F.Channels));
            for (long I = 0; I < Frames; ++I)
            {
                for (int C = 0; C < F.Channels; ++C)
                    Frame[static_cast<std::size_t>(C)] =
                        0.5f * static_cast<float>(std::sin(0.01 * (C + 1) * static_cast<double>(I)));
                W.Write(Frame.data(), 1);
            }
            W.Close();
            return 0;
        }
        if (Command == "show" && argc == 3)
        {
            const TAudioFormat F = OpenAudioReader(argv[2])->Format();
            std::printf("channels=%d rate=%d frames=%lld encoding=%s\n", F.Channels, F.SampleRate,
                        static_cast<long long>(F.Frames), F.Description.c_str());
            return 0;
        }
        std::fprintf(stderr, "usage: audiofile-probe write FILE CHANNELS RATE FRAMES | show FILE\n");
        return 2;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "audiofile-probe: %s\n", E.what());
        return 1;
    }
}
