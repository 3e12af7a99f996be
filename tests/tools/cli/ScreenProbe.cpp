// screen-probe: what a user sees of another program's windows, for the end-to-end test of marvo-vst edit.
//   screen-probe capture X Y W H   prints the screen's pixels in that rectangle, one row per line, as
//                                  8-digit hexadecimal 0xAARRGGBB words separated by spaces
//   screen-probe close WINDOW      asks the window (an X window id, decimal or 0x hex) to close, as the
//                                  window manager's close button does
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/WindowProbe.h"

int main(int argc, char** argv)
{
    try
    {
        const std::string Command = argc > 1 ? argv[1] : "";
        if (Command == "capture" && argc == 6)
        {
            const int X = std::stoi(argv[2]), Y = std::stoi(argv[3]), W = std::stoi(argv[4]), H = std::stoi(argv[5]);
            const auto Pixels = CaptureScreen(TRect{X, Y, X + W, Y + H});
            for (int Row = 0; Row < H; ++Row)
                for (int Column = 0; Column < W; ++Column)
                    std::printf("%08X%c", static_cast<unsigned>(Pixels[static_cast<std::size_t>(Row) * W + Column]),
                                Column + 1 < W ? ' ' : '\n');
            return 0;
        }
        if (Command == "close" && argc == 3)
        {
            const auto Id = static_cast<std::uintptr_t>(std::stoull(argv[2], nullptr, 0));
            return RequestWindowClose(reinterpret_cast<TNativeHandle>(Id)) ? 0 : 1;
        }
        std::fprintf(stderr, "usage: screen-probe capture X Y W H | close WINDOW\n");
        return 2;
    }
    catch (const std::exception& E)
    {
        std::fprintf(stderr, "screen-probe: %s\n", E.what());
        return 1;
    }
}
