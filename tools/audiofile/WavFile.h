#pragma once
// A portable WAV file unit: RIFF/WAVE, little-endian, integer PCM of 8 (unsigned), 16, 24 and 32 bits and
// IEEE float of 32 and 64 bits, one to kWavMaxChannels channels, plain or WAVE_FORMAT_EXTENSIBLE. Anything
// else (big-endian RIFX, RF64, compressed formats) is refused with a clear message. The Windows build's
// audio files; the native build compiles it too, so that it is tested there.
//
// Conversions: integer samples read as s / 2^(bits-1) (8-bit: (s - 128) / 128); writing scales by the same
// factor, rounds to nearest and clips to the integer range, so integer -> float -> integer is exact up to 24
// bits.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "audiofile/AudioFile.h"

constexpr int kWavMaxChannels = 256;

struct TWavFormat
{
    int SampleRate = 44100;
    int Channels = 2;
    int Bits = 16;
    bool Float = false;
    // Written as WAVE_FORMAT_EXTENSIBLE with this channel mask (read: whether the file was).
    bool Extensible = false;
    std::uint32_t ChannelMask = 0;
    std::uint64_t Frames = 0; // reading: frames in the data chunk

    int BytesPerFrame() const { return Channels * (Bits / 8); }
    // e.g. "WAV, 24-bit PCM" or "WAV (extensible), 32-bit float".
    std::string Description() const;
    // TAudioFormat::Encoding of the WAV backend, and back.
    std::uint32_t Encoding() const;
    static TWavFormat FromEncoding(std::uint32_t Encoding);
};

// Raises EAudioFileError unless Format is one this unit reads and writes.
void CheckWavFormat(const TWavFormat& Format, const std::string& Path);

class TWavReader
{
public:
    // Opens Path and parses its header up to the data chunk.
    explicit TWavReader(const std::string& Path);
    ~TWavReader();
    TWavReader(const TWavReader&) = delete;
    TWavReader& operator=(const TWavReader&) = delete;

    const TWavFormat& Format() const { return FFormat; }
    // Reads up to Count frames as floats; 0 at the end of the data chunk (or of a truncated file).
    std::size_t Read(float* Interleaved, std::size_t Count);

private:
    std::string FPath;
    std::FILE* FFile = nullptr;
    TWavFormat FFormat;
    std::uint64_t FFramesLeft = 0;
    std::vector<unsigned char> FBytes;
};

class TWavWriter
{
public:
    // Creates Path and writes a header whose sizes Close completes.
    TWavWriter(const std::string& Path, const TWavFormat& Format);
    ~TWavWriter();
    TWavWriter(const TWavWriter&) = delete;
    TWavWriter& operator=(const TWavWriter&) = delete;

    void Write(const float* Interleaved, std::size_t Count);
    void Close();

private:
    void Fail(const std::string& What);
    std::string FPath;
    std::FILE* FFile = nullptr;
    TWavFormat FFormat;
    std::uint64_t FFrames = 0;
    long FFactOffset = 0; // offset of the fact chunk's frame count, 0 when there is none
    long FDataOffset = 0; // offset of the data chunk's size field
    std::vector<unsigned char> FBytes;
};

// The integer sample of X at Bits (8..32): X * 2^(Bits-1) rounded to nearest (ties to even), clipped to the
// signed range of Bits; NaN gives 0. Both builds' writers of integer encodings round through it.
std::int64_t Quantise(float X, int Bits);
// Sample conversions of one frame block (exposed for the tests of rounding and clipping).
void DecodeWavSamples(const TWavFormat& Format, const unsigned char* Bytes, std::size_t Samples, float* Out);
void EncodeWavSamples(const TWavFormat& Format, const float* In, std::size_t Samples, unsigned char* Bytes);
