// The portable WAV unit: header parsing and writing, sample conversions.
#include "audiofile/WavFile.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <iterator>

static_assert(std::endian::native == std::endian::little, "WAV samples are copied as little-endian words");

namespace
{

constexpr std::uint16_t kTagPcm = 1;
constexpr std::uint16_t kTagFloat = 3;
constexpr std::uint16_t kTagExtensible = 0xFFFE;
// Bytes 2..15 of the KSDATAFORMAT_SUBTYPE_* GUIDs; bytes 0..1 hold the format tag.
constexpr unsigned char kSubtypeTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                            0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// The largest size a RIFF size field can state.
constexpr std::uint64_t kRiffLimit = 0xFFFFFFFFu;

std::uint16_t U16(const unsigned char* P) { return static_cast<std::uint16_t>(P[0] | (P[1] << 8)); }
std::uint32_t U32(const unsigned char* P)
{
    return static_cast<std::uint32_t>(P[0]) | (static_cast<std::uint32_t>(P[1]) << 8) |
           (static_cast<std::uint32_t>(P[2]) << 16) | (static_cast<std::uint32_t>(P[3]) << 24);
}
void Put16(std::vector<unsigned char>& B, std::uint32_t V)
{
    B.push_back(static_cast<unsigned char>(V));
    B.push_back(static_cast<unsigned char>(V >> 8));
}
void Put32(std::vector<unsigned char>& B, std::uint32_t V)
{
    Put16(B, V & 0xFFFF);
    Put16(B, V >> 16);
}
void PutId(std::vector<unsigned char>& B, const char* Id) { B.insert(B.end(), Id, Id + 4); }

[[noreturn]] void Refuse(const std::string& Path, const std::string& Why)
{
    throw EAudioFileError("cannot read '" + Path + "': " + Why);
}

bool ReadExactly(std::FILE* F, unsigned char* P, std::size_t N) { return std::fread(P, 1, N, F) == N; }

// Skips N bytes forward (N may exceed the range of long on 32-bit systems).
bool Skip(std::FILE* F, std::uint64_t N)
{
    constexpr std::uint64_t Step = 1u << 30;
    for (; N > 0; N -= std::min(N, Step))
        if (std::fseek(F, static_cast<long>(std::min(N, Step)), SEEK_CUR) != 0)
            return false;
    return true;
}

// Full-scale factor of integer samples.
double Scale(int Bits) { return std::ldexp(1.0, Bits - 1); }

} // namespace

std::int64_t Quantise(float X, int Bits)
{
    const double S = Scale(Bits);
    const double V = static_cast<double>(X) * S;
    if (std::isnan(V))
        return 0;
    if (V >= S - 1.0)
        return static_cast<std::int64_t>(S) - 1;
    if (V <= -S)
        return -static_cast<std::int64_t>(S);
    return std::llrint(V);
}

std::string TWavFormat::Description() const
{
    return std::string(Extensible ? "WAV (extensible), " : "WAV, ") + std::to_string(Bits) +
           (Float ? "-bit float" : "-bit PCM");
}

std::uint32_t TWavFormat::Encoding() const
{
    return static_cast<std::uint32_t>(Bits) | (Float ? 0x100u : 0u) | (Extensible ? 0x200u : 0u);
}

TWavFormat TWavFormat::FromEncoding(std::uint32_t Encoding)
{
    TWavFormat F;
    F.Bits = static_cast<int>(Encoding & 0xFF);
    F.Float = (Encoding & 0x100u) != 0;
    F.Extensible = (Encoding & 0x200u) != 0;
    return F;
}

void CheckWavFormat(const TWavFormat& F, const std::string& Path)
{
    if (F.Channels < 1 || F.Channels > kWavMaxChannels)
        Refuse(Path, std::to_string(F.Channels) + " channels (1 to " + std::to_string(kWavMaxChannels) +
                         " are supported)");
    if (F.SampleRate < 1)
        Refuse(Path, "invalid sample rate " + std::to_string(F.SampleRate));
    const bool Ok = F.Float ? (F.Bits == 32 || F.Bits == 64)
                            : (F.Bits == 8 || F.Bits == 16 || F.Bits == 24 || F.Bits == 32);
    if (!Ok)
        Refuse(Path, std::to_string(F.Bits) + "-bit " + (F.Float ? "float" : "PCM") +
                         " samples are not supported (PCM 8/16/24/32, float 32/64)");
}

void DecodeWavSamples(const TWavFormat& F, const unsigned char* B, std::size_t N, float* Out)
{
    switch (F.Float ? -F.Bits : F.Bits)
    {
    case 8:
        for (std::size_t I = 0; I < N; ++I)
            Out[I] = static_cast<float>(static_cast<int>(B[I]) - 128) * (1.0f / 128.0f);
        break;
    case 16:
        for (std::size_t I = 0; I < N; ++I)
            Out[I] = static_cast<float>(static_cast<std::int16_t>(U16(B + 2 * I))) * (1.0f / 32768.0f);
        break;
    case 24:
        for (std::size_t I = 0; I < N; ++I)
        {
            const unsigned char* P = B + 3 * I;
            const std::uint32_t U = (static_cast<std::uint32_t>(P[0]) << 8) | (static_cast<std::uint32_t>(P[1]) << 16) |
                                    (static_cast<std::uint32_t>(P[2]) << 24);
            Out[I] = static_cast<float>(static_cast<std::int32_t>(U) >> 8) * (1.0f / 8388608.0f);
        }
        break;
    case 32:
        for (std::size_t I = 0; I < N; ++I)
            Out[I] = static_cast<float>(static_cast<std::int32_t>(U32(B + 4 * I))) * (1.0f / 2147483648.0f);
        break;
    case -32:
        std::memcpy(Out, B, N * sizeof(float));
        break;
    case -64:
        for (std::size_t I = 0; I < N; ++I)
        {
            double D;
            std::memcpy(&D, B + 8 * I, sizeof D);
            Out[I] = static_cast<float>(D);
        }
        break;
    }
}

void EncodeWavSamples(const TWavFormat& F, const float* In, std::size_t N, unsigned char* B)
{
    if (F.Float)
    {
        if (F.Bits == 32)
            std::memcpy(B, In, N * sizeof(float));
        else
            for (std::size_t I = 0; I < N; ++I)
            {
                const double D = In[I];
                std::memcpy(B + 8 * I, &D, sizeof D);
            }
        return;
    }
    const std::size_t Width = static_cast<std::size_t>(F.Bits / 8);
    for (std::size_t I = 0; I < N; ++I)
    {
        const std::int64_t Q = Quantise(In[I], F.Bits);
        auto U = static_cast<std::uint32_t>(F.Bits == 8 ? Q + 128 : Q);
        for (std::size_t K = 0; K < Width; ++K, U >>= 8)
            B[I * Width + K] = static_cast<unsigned char>(U);
    }
}

// ---- reading ----------------------------------------------------------------------------------------------

TWavReader::TWavReader(const std::string& Path) : FPath(Path)
{
    FFile = std::fopen(Path.c_str(), "rb");
    if (!FFile)
        throw EAudioFileError("cannot read '" + Path + "': " + std::strerror(errno));
    try
    {
        unsigned char H[12];
        if (!ReadExactly(FFile, H, sizeof H))
            Refuse(Path, "not a WAV file (too short)");
        if (std::memcmp(H, "RIFX", 4) == 0)
            Refuse(Path, "big-endian WAV files (RIFX) are not supported");
        if (std::memcmp(H, "RF64", 4) == 0)
            Refuse(Path, "RF64 files are not supported");
        if (std::memcmp(H, "RIFF", 4) != 0 || std::memcmp(H + 8, "WAVE", 4) != 0)
            Refuse(Path, "not a WAV file (no RIFF/WAVE header)");

        bool HaveFormat = false;
        for (;;)
        {
            unsigned char C[8];
            if (!ReadExactly(FFile, C, sizeof C))
                Refuse(Path, HaveFormat ? "no data chunk" : "no format chunk");
            const std::uint32_t Size = U32(C + 4);
            if (std::memcmp(C, "fmt ", 4) == 0)
            {
                unsigned char Fm[40] = {};
                if (Size < 16)
                    Refuse(Path, "format chunk too short");
                const std::size_t Want = std::min<std::size_t>(Size, sizeof Fm);
                if (!ReadExactly(FFile, Fm, Want) || !Skip(FFile, Size - Want + (Size & 1)))
                    Refuse(Path, "truncated format chunk");
                std::uint16_t Tag = U16(Fm);
                FFormat.Channels = U16(Fm + 2);
                FFormat.SampleRate = static_cast<int>(std::min<std::uint32_t>(U32(Fm + 4), 0x7FFFFFFF));
                const std::uint16_t BlockAlign = U16(Fm + 12);
                FFormat.Bits = U16(Fm + 14);
                if (Tag == kTagExtensible)
                {
                    if (Size < 40 || U16(Fm + 16) < 22)
                        Refuse(Path, "extensible format chunk too short");
                    FFormat.Extensible = true;
                    FFormat.ChannelMask = U32(Fm + 20);
                    if (std::memcmp(Fm + 26, kSubtypeTail, sizeof kSubtypeTail) != 0)
                        Refuse(Path, "unsupported WAV encoding (unknown extensible subformat)");
                    Tag = U16(Fm + 24);
                }
                if (Tag != kTagPcm && Tag != kTagFloat)
                {
                    char Hex[8];
                    std::snprintf(Hex, sizeof Hex, "0x%04X", Tag);
                    Refuse(Path, std::string("unsupported WAV encoding (format tag ") + Hex +
                                     "; PCM and float are supported)");
                }
                FFormat.Float = Tag == kTagFloat;
                CheckWavFormat(FFormat, Path);
                if (BlockAlign != FFormat.BytesPerFrame())
                    Refuse(Path, "inconsistent block alignment " + std::to_string(BlockAlign));
                HaveFormat = true;
            }
            else if (std::memcmp(C, "data", 4) == 0)
            {
                if (!HaveFormat)
                    Refuse(Path, "data chunk before the format chunk");
                FFormat.Frames = Size / static_cast<std::uint32_t>(FFormat.BytesPerFrame());
                FFramesLeft = FFormat.Frames;
                break;
            }
            else if (!Skip(FFile, std::uint64_t(Size) + (Size & 1)))
                Refuse(Path, "truncated chunk");
        }
    }
    catch (...)
    {
        std::fclose(FFile);
        throw;
    }
}

TWavReader::~TWavReader()
{
    std::fclose(FFile);
}

std::size_t TWavReader::Read(float* Interleaved, std::size_t Count)
{
    const std::size_t Frames = static_cast<std::size_t>(std::min<std::uint64_t>(Count, FFramesLeft));
    const std::size_t Bpf = static_cast<std::size_t>(FFormat.BytesPerFrame());
    FBytes.resize(Frames * Bpf);
    const std::size_t Got = std::fread(FBytes.data(), 1, FBytes.size(), FFile) / Bpf;
    if (Got < Frames)
    {
        if (std::ferror(FFile))
            throw EAudioFileError("cannot read '" + FPath + "': read error");
        FFramesLeft = 0; // a truncated data chunk ends where the file ends
    }
    else
        FFramesLeft -= Got;
    DecodeWavSamples(FFormat, FBytes.data(), Got * static_cast<std::size_t>(FFormat.Channels), Interleaved);
    return Got;
}

// ---- writing ----------------------------------------------------------------------------------------------

TWavWriter::TWavWriter(const std::string& Path, const TWavFormat& Format) : FPath(Path), FFormat(Format)
{
    CheckWavFormat(Format, Path);
    std::vector<unsigned char> H;
    PutId(H, "RIFF");
    Put32(H, 0);
    PutId(H, "WAVE");
    PutId(H, "fmt ");
    const auto Bpf = static_cast<std::uint32_t>(Format.BytesPerFrame());
    const auto Rate = static_cast<std::uint32_t>(Format.SampleRate);
    const std::uint16_t Tag = Format.Float ? kTagFloat : kTagPcm;
    Put32(H, Format.Extensible ? 40 : (Format.Float ? 18 : 16));
    Put16(H, Format.Extensible ? kTagExtensible : Tag);
    Put16(H, static_cast<std::uint32_t>(Format.Channels));
    Put32(H, Rate);
    Put32(H, Rate * Bpf);
    Put16(H, Bpf);
    Put16(H, static_cast<std::uint32_t>(Format.Bits));
    if (Format.Extensible)
    {
        Put16(H, 22);
        Put16(H, static_cast<std::uint32_t>(Format.Bits));
        Put32(H, Format.ChannelMask);
        Put16(H, Tag);
        H.insert(H.end(), std::begin(kSubtypeTail), std::end(kSubtypeTail));
    }
    else if (Format.Float)
        Put16(H, 0);
    if (Format.Float || Format.Extensible)
    {
        PutId(H, "fact");
        Put32(H, 4);
        FFactOffset = static_cast<long>(H.size());
        Put32(H, 0);
    }
    PutId(H, "data");
    FDataOffset = static_cast<long>(H.size());
    Put32(H, 0);

    FFile = std::fopen(Path.c_str(), "wb");
    if (!FFile)
        throw EAudioFileError("cannot create '" + Path + "': " + std::strerror(errno));
    if (std::fwrite(H.data(), 1, H.size(), FFile) != H.size())
        Fail("write error");
}

TWavWriter::~TWavWriter()
{
    if (FFile)
        std::fclose(FFile);
}

void TWavWriter::Fail(const std::string& What)
{
    std::fclose(FFile);
    FFile = nullptr;
    throw EAudioFileError("cannot write '" + FPath + "': " + What);
}

void TWavWriter::Write(const float* Interleaved, std::size_t Count)
{
    if (!FFile)
        throw EAudioFileError("cannot write '" + FPath + "': the file is closed");
    const auto Bpf = static_cast<std::uint64_t>(FFormat.BytesPerFrame());
    if ((FFrames + Count) * Bpf + static_cast<std::uint64_t>(FDataOffset) + 5 > kRiffLimit)
        Fail("a WAV file holds at most 4 GiB");
    const std::size_t Samples = Count * static_cast<std::size_t>(FFormat.Channels);
    FBytes.resize(Count * Bpf);
    EncodeWavSamples(FFormat, Interleaved, Samples, FBytes.data());
    if (std::fwrite(FBytes.data(), 1, FBytes.size(), FFile) != FBytes.size())
        Fail(std::strerror(errno));
    FFrames += Count;
}

void TWavWriter::Close()
{
    if (!FFile)
        return;
    const std::uint64_t DataBytes = FFrames * static_cast<std::uint64_t>(FFormat.BytesPerFrame());
    if ((DataBytes & 1) != 0 && std::fputc(0, FFile) == EOF)
        Fail(std::strerror(errno));
    const std::uint64_t RiffSize = static_cast<std::uint64_t>(FDataOffset) + 4 + DataBytes + (DataBytes & 1) - 8;
    auto Patch = [&](long Offset, std::uint64_t Value) {
        std::vector<unsigned char> B;
        Put32(B, static_cast<std::uint32_t>(Value));
        if (std::fseek(FFile, Offset, SEEK_SET) != 0 || std::fwrite(B.data(), 1, 4, FFile) != 4)
            Fail(std::strerror(errno));
    };
    Patch(4, RiffSize);
    if (FFactOffset != 0)
        Patch(FFactOffset, FFrames);
    Patch(FDataOffset, DataBytes);
    std::FILE* F = FFile;
    FFile = nullptr;
    if (std::fclose(F) != 0)
        throw EAudioFileError("cannot write '" + FPath + "': " + std::strerror(errno));
}
