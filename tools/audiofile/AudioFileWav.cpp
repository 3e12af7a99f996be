// The audio files of the Windows build: WAV only, through the portable WAV unit.
#include "audiofile/AudioFile.h"
#include "audiofile/WavFile.h"

namespace
{

class TWavAudioReader final : public TAudioReader
{
public:
    explicit TWavAudioReader(const std::string& Path) : FWav(Path)
    {
        const TWavFormat& W = FWav.Format();
        FFormat.SampleRate = W.SampleRate;
        FFormat.Channels = W.Channels;
        FFormat.Frames = static_cast<std::int64_t>(W.Frames);
        FFormat.Encoding = W.Encoding();
        FFormat.ChannelMask = W.ChannelMask;
        FFormat.Description = W.Description();
    }
    std::size_t Read(float* Interleaved, std::size_t Count) override { return FWav.Read(Interleaved, Count); }

private:
    TWavReader FWav;
};

class TWavAudioWriter final : public TAudioWriter
{
public:
    TWavAudioWriter(const std::string& Path, const TWavFormat& Format) : FWav(Path, Format)
    {
        FDescription = Format.Description();
    }
    void Write(const float* Interleaved, std::size_t Count) override { FWav.Write(Interleaved, Count); }
    void Close() override { FWav.Close(); }

private:
    TWavWriter FWav;
};

} // namespace

const char* AudioFileTypes()
{
    return "WAV (PCM 8/16/24/32-bit, float 32/64-bit)";
}

std::unique_ptr<TAudioReader> OpenAudioReader(const std::string& Path)
{
    return std::make_unique<TWavAudioReader>(Path);
}

std::unique_ptr<TAudioWriter> CreateAudioWriter(const std::string& Path, const TAudioFormat& Format)
{
    TWavFormat W = TWavFormat::FromEncoding(Format.Encoding);
    W.SampleRate = Format.SampleRate;
    W.Channels = Format.Channels;
    W.ChannelMask = Format.ChannelMask;
    return std::make_unique<TWavAudioWriter>(Path, W);
}

std::uint32_t IntegerPcmEncoding(const TAudioFormat& Format, int Bits)
{
    if (Bits != 8 && Bits != 16 && Bits != 24 && Bits != 32)
        throw EAudioFileError(std::to_string(Bits) + "-bit PCM cannot be written (8, 16, 24 or 32 bits)");
    TWavFormat W = TWavFormat::FromEncoding(Format.Encoding);
    W.Bits = Bits;
    W.Float = false;
    return W.Encoding();
}
