#pragma once
// marvo-play, a stand-in player for DSP plug-in libraries: loads a library as the player does, plays an
// audio file through module 0 block by block as the player's integer PCM, and writes what comes out.
//
// Failures: usage mistakes raise EPlayUsageError (exit status 2); everything else raises std::runtime_error
// (or EAudioFileError) with a one-line text (exit status 1). main turns both into one line on standard
// error.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "adapter/WinampDSP.h"
#include "console/ToolMain.h"
#include "platform/NativeHandle.h"
#include "platform/System.h"

class EPlayUsageError : public EUsageError
{
public:
    using EUsageError::EUsageError;
};

// The player's block: 576 frames per ModifySamples call.
constexpr int kPlayDefaultBlock = 576;
constexpr int kPlayMaxBlock = 65536;

struct TPlayOptions
{
    bool Help = false;               // --help / -h
    std::string PlugIn;              // the DSP plug-in library
    std::string Input;               // any audio file the build reads
    std::string Output;              // written as integer PCM of Bits
    int BlockSize = kPlayDefaultBlock; // --block
    int Bits = 16;                   // --bits 8|16|24: the player's output depth
    bool Show = false;               // --show (Windows build)
};

// Parses the arguments after the program name; raises EPlayUsageError on an unknown option, a missing or
// malformed value, an unsupported depth, or a wrong number of arguments.
TPlayOptions ParsePlayCommandLine(const std::vector<std::string>& Args);
std::string PlayUsageText();

// A DSP plug-in library loaded as the player loads it: LoadDynamicLibrary, the header of its
// winampDSPGetHeader2 export (version 0x20), module 0 with hwndParent = the player's window and
// hDllInstance = the library handle, then Init. Raises std::runtime_error naming the library and the
// reason: the loader's text, or what the library lacks. [host-main]
class TDSPPlugIn
{
public:
    TDSPPlugIn(const std::string& Path, TNativeHandle PlayerWindow);
    // Quits the module unless Quit was called, then frees the library.
    ~TDSPPlugIn();
    TDSPPlugIn(const TDSPPlugIn&) = delete;
    TDSPPlugIn& operator=(const TDSPPlugIn&) = delete;

    // The header's and the module's descriptions ("" when the library gives none).
    const std::string& Description() const { return FDescription; }
    const std::string& ModuleDescription() const { return FModuleDescription; }
    // Opens the module's configuration; false when the module has none.
    bool Config();
    // Samples holds Frames frames of interleaved Bits-bit PCM and room for twice as many; answers the
    // frames the module leaves there, limited to 0..2 * Frames.
    int ModifySamples(void* Samples, int Frames, int Bits, int Channels, int SampleRate);
    // Ends the module (the Marvo equaliser writes Marvo.fxp here); once only.
    void Quit();

private:
    void Fail(const std::string& Reason);
    std::string FPath;
    TLibraryHandle FLibrary = 0;
    TWinampDSPModule* FModule = nullptr;
    bool FInitialised = false;
    std::string FDescription;
    std::string FModuleDescription;
};

// The player's samples (interleaved signed integers: 8-bit one byte, 16 and 24 bits little-endian, sample
// k at byte k * Bits / 8) from and to the audio files' floats. Float to integer: X * 2^(Bits-1) rounded to
// nearest (ties to even), clipped to -2^(Bits-1) .. 2^(Bits-1) - 1, NaN as 0. Integer to float: k / 2^(Bits-1),
// exact. So an integer file of the same depth passes through unchanged.
void EncodePlayerSamples(const float* In, std::size_t Samples, int Bits, unsigned char* Out);
void DecodePlayerSamples(const unsigned char* In, std::size_t Samples, int Bits, float* Out);

// Plays Options.Input through the plug-in into Options.Output; answers the exit status.
int RunPlay(const TPlayOptions& Options);
