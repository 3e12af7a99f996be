#pragma once
// Audio files for the tools: open a file for reading (its rate, channels, length and encoding), read
// interleaved float frames, create a file with the encoding of another one, write frames.
//
// Two backends behind this one interface: the native build reads and writes through libsndfile (WAV, FLAC,
// Ogg, AIFF and whatever else it knows); the Windows build reads and writes WAV files only (WavFile.h).
// Samples are floats with full scale at +-1; writing an integer encoding clips to full scale.
//
// Every failure raises EAudioFileError with a one-line English text that names the file.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

class EAudioFileError : public std::runtime_error
{
public:
    explicit EAudioFileError(const std::string& Message) : std::runtime_error(Message) {}
};

// What a file holds and how it is encoded. Encoding and ChannelMask are the backend's own words: hand the
// format of a reader to CreateAudioWriter unchanged to write the same encoding.
struct TAudioFormat
{
    int SampleRate = 0;
    int Channels = 0;
    std::int64_t Frames = 0;
    std::uint32_t Encoding = 0;
    std::uint32_t ChannelMask = 0; // speaker positions of a WAVE_FORMAT_EXTENSIBLE file, else 0
    std::string Description;       // e.g. "WAV, 16-bit PCM"
};

class TAudioReader
{
public:
    virtual ~TAudioReader() = default;
    const TAudioFormat& Format() const { return FFormat; }
    // Reads up to Count frames (Count * Channels floats) into Interleaved; answers the number of frames
    // read, 0 at the end of the file.
    virtual std::size_t Read(float* Interleaved, std::size_t Count) = 0;

protected:
    TAudioFormat FFormat;
};

class TAudioWriter
{
public:
    // Closes the file if Close was not called, without raising.
    virtual ~TAudioWriter() = default;
    // The encoding being written (the requested one, or the fallback that CreateAudioWriter chose).
    const std::string& Description() const { return FDescription; }
    virtual void Write(const float* Interleaved, std::size_t Count) = 0;
    // Completes the file (sizes, headers, buffers) and closes it.
    virtual void Close() = 0;

protected:
    std::string FDescription;
};

// The file types this build reads, for usage texts.
const char* AudioFileTypes();

std::unique_ptr<TAudioReader> OpenAudioReader(const std::string& Path);
// Creates (or replaces) Path with Format's rate, channels and encoding. When the backend cannot write that
// encoding it writes the nearest one it can (libsndfile: the same container with 32-bit float samples, else
// 32-bit float WAV); Description() then tells which.
std::unique_ptr<TAudioWriter> CreateAudioWriter(const std::string& Path, const TAudioFormat& Format);
// The Encoding of Bits-bit (8, 16, 24 or 32) integer PCM in Format's container, for CreateAudioWriter:
// libsndfile keeps the container when it holds integer PCM of that depth (8-bit WAV is unsigned, as WAV
// has it), else writes WAV; the WAV backend keeps plain or extensible WAV. Raises EAudioFileError for
// another depth.
std::uint32_t IntegerPcmEncoding(const TAudioFormat& Format, int Bits);
