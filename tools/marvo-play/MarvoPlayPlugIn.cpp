// marvo-play: loading a DSP plug-in library as the player does, and driving its module 0.
#include <algorithm>
#include <cstdio>

#include "MarvoPlay.h"

namespace
{

std::string Text(const char* S)
{
    return S ? S : "";
}

std::string Hex(std::int32_t V)
{
    char B[16];
    std::snprintf(B, sizeof B, "0x%X", static_cast<unsigned>(V));
    return B;
}

} // namespace

TDSPPlugIn::TDSPPlugIn(const std::string& Path, TNativeHandle PlayerWindow) : FPath(Path)
{
    if (!FileExists(Path))
        throw std::runtime_error("cannot load plug-in '" + Path + "': no such file");
    FLibrary = LoadDynamicLibrary(Path);
    if (!FLibrary)
    {
        const std::string Reason = SystemErrorMessage(LastSystemError());
        throw std::runtime_error("cannot load plug-in '" + Path + "': " +
                                 (Reason.empty() ? "the loader gives no reason" : Reason));
    }
    const auto GetHeader = reinterpret_cast<TWinampDSPGetHeader2>(GetLibraryEntry(FLibrary, kWinampDSPEntryName));
    if (!GetHeader)
        Fail(std::string("it exports no ") + kWinampDSPEntryName);
    const TWinampDSPHeader* Header = GetHeader();
    if (!Header)
        Fail(std::string(kWinampDSPEntryName) + " answers no header");
    if (Header->version != kWinampDSPVersion)
        Fail("its interface version is " + Hex(Header->version) + ", the player's is " + Hex(kWinampDSPVersion));
    FDescription = Text(Header->description);
    FModule = Header->getModule ? Header->getModule(0) : nullptr;
    if (!FModule)
        Fail("it has no module 0");
    if (!FModule->Init || !FModule->ModifySamples || !FModule->Quit)
        Fail("its module 0 lacks Init, ModifySamples or Quit");
    FModuleDescription = Text(FModule->description);
    FModule->hwndParent = PlayerWindow;
    FModule->hDllInstance = reinterpret_cast<void*>(FLibrary);
    if (const std::int32_t R = FModule->Init(FModule); R != 0)
    {
        FreeDynamicLibrary(FLibrary);
        FLibrary = 0;
        throw std::runtime_error("'" + Path + "': Init of module 0 failed (it answered " + std::to_string(R) + ")");
    }
    FInitialised = true;
}

TDSPPlugIn::~TDSPPlugIn()
{
    Quit();
    FreeDynamicLibrary(FLibrary);
}

void TDSPPlugIn::Fail(const std::string& Reason)
{
    FreeDynamicLibrary(FLibrary);
    FLibrary = 0;
    throw std::runtime_error("'" + FPath + "' is no DSP plug-in: " + Reason);
}

bool TDSPPlugIn::Config()
{
    if (!FModule->Config)
        return false;
    FModule->Config(FModule);
    return true;
}

int TDSPPlugIn::ModifySamples(void* Samples, int Frames, int Bits, int Channels, int SampleRate)
{
    const std::int32_t N = FModule->ModifySamples(FModule, Samples, Frames, Bits, Channels, SampleRate);
    return std::clamp<std::int32_t>(N, 0, 2 * Frames);
}

void TDSPPlugIn::Quit()
{
    if (!FInitialised)
        return;
    FInitialised = false;
    FModule->Quit(FModule);
}
