// adapter_unload exit|unload: the plug-in library as a player leaves it when it is ended abnormally: loaded,
// started, one block processed, and then, without Quit, the process exits with the library still loaded
// ("exit"), or the library is unloaded and the process exits normally ("unload"). Exit code 0 unless
// something fails on the way; reading freed memory at the end ends the process under AddressSanitizer (or
// crashes it). On Windows the unload must also take the library's windows with it.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "adapter/WinampDSP.h"
#include "platform/System.h"
#include "platform/WindowProbe.h"

int main(int argc, char** argv)
{
    const bool Unload = argc > 1 && std::strcmp(argv[1], "unload") == 0;
#ifdef MARVO_WIN32
    const std::string Library = ExtractFilePath(ExecutablePath()) + "dsp_Marvo.dll";
#else
    const std::string Library = ExtractFilePath(ExecutablePath()) + "dsp_Marvo.so";
#endif
    const TLibraryHandle Handle = LoadDynamicLibrary(Library);
    if (!Handle)
    {
        std::fprintf(stderr, "adapter_unload: cannot load %s\n", Library.c_str());
        return 2;
    }
    auto Entry = reinterpret_cast<TWinampDSPGetHeader2>(GetLibraryEntry(Handle, kWinampDSPEntryName));
    TWinampDSPModule* Module = Entry ? Entry()->getModule(0) : nullptr;
    if (!Module || Module->Init(Module) != 0)
    {
        std::fprintf(stderr, "adapter_unload: no module 0 or Init failed\n");
        return 2;
    }
    std::vector<std::int16_t> Block(576 * 2, 1000);
    if (Module->ModifySamples(Module, Block.data(), 576, 16, 2, 44100) != 576 || Block.back() == 1000)
    {
        std::fprintf(stderr, "adapter_unload: the block was not processed\n");
        return 2;
    }
    if (Unload)
    {
        FreeDynamicLibrary(Handle);
#ifdef MARVO_WIN32
        // A window whose procedure was in the library would take the next broadcast into freed code.
        for (const TWindowProbe& Window : TopLevelWindows())
            if (Window.ClassName == "MarvoForm")
            {
                std::fprintf(stderr, "adapter_unload: a window of the library's class outlived it\n");
                return 1;
            }
#endif
    }
    std::exit(0);
}
