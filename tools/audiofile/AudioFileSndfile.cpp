// The audio files of the native build: everything libsndfile reads, written in the reader's encoding.
#include <sndfile.h>

#include <cstdint>
#include <vector>

#include "audiofile/AudioFile.h"
#include "audiofile/WavFile.h"

namespace
{

std::string FormatName(int Format)
{
    SF_FORMAT_INFO Info{};
    Info.format = Format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &Info, sizeof Info) != 0 || !Info.name)
        return "format 0x" + std::to_string(Format);
    return Info.name;
}

std::string Describe(int Format)
{
    return FormatName(Format & SF_FORMAT_TYPEMASK) + ", " + FormatName(Format & SF_FORMAT_SUBMASK);
}

class TSndReader final : public TAudioReader
{
public:
    explicit TSndReader(const std::string& Path) : FPath(Path)
    {
        SF_INFO Info{};
        FFile = sf_open(Path.c_str(), SFM_READ, &Info);
        if (!FFile)
            throw EAudioFileError("cannot read '" + Path + "': " + sf_strerror(nullptr));
        FFormat.SampleRate = Info.samplerate;
        FFormat.Channels = Info.channels;
        FFormat.Frames = Info.frames;
        FFormat.Encoding = static_cast<std::uint32_t>(Info.format);
        FFormat.Description = Describe(Info.format);
    }
    ~TSndReader() override { sf_close(FFile); }

    std::size_t Read(float* Interleaved, std::size_t Count) override
    {
        const sf_count_t N = sf_readf_float(FFile, Interleaved, static_cast<sf_count_t>(Count));
        if (N <= 0 && sf_error(FFile) != SF_ERR_NO_ERROR)
            throw EAudioFileError("cannot read '" + FPath + "': " + sf_strerror(FFile));
        return N > 0 ? static_cast<std::size_t>(N) : 0;
    }

private:
    std::string FPath;
    SNDFILE* FFile = nullptr;
};

class TSndWriter final : public TAudioWriter
{
public:
    TSndWriter(const std::string& Path, const TAudioFormat& Format) : FPath(Path)
    {
        SF_INFO Info{};
        Info.samplerate = Format.SampleRate;
        Info.channels = Format.Channels;
        const int Wanted = static_cast<int>(Format.Encoding);
        for (const int Candidate : {Wanted, (Wanted & SF_FORMAT_TYPEMASK) | SF_FORMAT_FLOAT,
                                    SF_FORMAT_WAV | SF_FORMAT_FLOAT})
        {
            Info.format = Candidate;
            if (sf_format_check(&Info))
                break;
        }
        FFile = sf_open(Path.c_str(), SFM_WRITE, &Info);
        FChannels = Info.channels;
        if (!FFile)
            throw EAudioFileError("cannot create '" + Path + "': " + sf_strerror(nullptr));
        // Integer encodings clip out-of-range samples instead of wrapping them around.
        sf_command(FFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
        FDescription = Describe(Info.format);
        FIntegerBits = IntegerBits(Info.format);
    }
    ~TSndWriter() override
    {
        if (FFile)
            sf_close(FFile);
    }

    void Write(const float* Interleaved, std::size_t Count) override
    {
        if (!FFile)
            throw EAudioFileError("cannot write '" + FPath + "': the file is closed");
        sf_count_t Written;
        if (FIntegerBits == 0)
            Written = sf_writef_float(FFile, Interleaved, static_cast<sf_count_t>(Count));
        else
        {
            // Integer encodings are rounded here, to nearest as the portable WAV unit rounds (libsndfile's own
            // conversion rounds down), and handed over left-justified in 32 bits.
            FIntegers.resize(Count * static_cast<std::size_t>(FChannels));
            for (std::size_t I = 0; I < FIntegers.size(); ++I)
                FIntegers[I] = static_cast<int>(static_cast<std::uint32_t>(Quantise(Interleaved[I], FIntegerBits))
                                                << (32 - FIntegerBits));
            Written = sf_writef_int(FFile, FIntegers.data(), static_cast<sf_count_t>(Count));
        }
        if (Written != static_cast<sf_count_t>(Count))
            throw EAudioFileError("cannot write '" + FPath + "': " + sf_strerror(FFile));
    }
    void Close() override
    {
        SNDFILE* F = FFile;
        FFile = nullptr;
        if (F && sf_close(F) != 0)
            throw EAudioFileError("cannot write '" + FPath + "': " + sf_strerror(nullptr));
    }

private:
    // The bits of an integer encoding, 0 for float and compressed ones.
    static int IntegerBits(int Format)
    {
        switch (Format & SF_FORMAT_SUBMASK)
        {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
            return 8;
        case SF_FORMAT_PCM_16:
            return 16;
        case SF_FORMAT_PCM_24:
            return 24;
        case SF_FORMAT_PCM_32:
            return 32;
        default:
            return 0;
        }
    }

    std::string FPath;
    SNDFILE* FFile = nullptr;
    int FChannels = 0;
    int FIntegerBits = 0;
    std::vector<int> FIntegers;
};

} // namespace

const char* AudioFileTypes()
{
    return "WAV, FLAC, Ogg, AIFF and the other types libsndfile reads";
}

std::unique_ptr<TAudioReader> OpenAudioReader(const std::string& Path)
{
    return std::make_unique<TSndReader>(Path);
}

std::unique_ptr<TAudioWriter> CreateAudioWriter(const std::string& Path, const TAudioFormat& Format)
{
    return std::make_unique<TSndWriter>(Path, Format);
}

std::uint32_t IntegerPcmEncoding(const TAudioFormat& Format, int Bits)
{
    int Subtype = 0;
    switch (Bits)
    {
    case 8: Subtype = SF_FORMAT_PCM_S8; break;
    case 16: Subtype = SF_FORMAT_PCM_16; break;
    case 24: Subtype = SF_FORMAT_PCM_24; break;
    case 32: Subtype = SF_FORMAT_PCM_32; break;
    default: throw EAudioFileError(std::to_string(Bits) + "-bit PCM cannot be written (8, 16, 24 or 32 bits)");
    }
    SF_INFO Info{};
    Info.samplerate = Format.SampleRate;
    Info.channels = Format.Channels;
    const int Type = static_cast<int>(Format.Encoding) & SF_FORMAT_TYPEMASK;
    for (const int Container : {Type, static_cast<int>(SF_FORMAT_WAV)})
        for (const int Sub : {Subtype, Bits == 8 ? static_cast<int>(SF_FORMAT_PCM_U8) : Subtype})
        {
            Info.format = Container | Sub;
            if (sf_format_check(&Info))
                return static_cast<std::uint32_t>(Info.format);
        }
    throw EAudioFileError("no container holds " + std::to_string(Format.Channels) + " channels of " +
                          std::to_string(Bits) + "-bit PCM");
}
