// marvo-play: a stand-in player for DSP plug-in libraries. Every failure ends as one line on standard error
// and a non-zero exit status; nothing escapes main.
#include <iostream>

#include "MarvoPlay.h"
#include "console/ToolMain.h"

int main(int argc, char** argv)
{
    return RunTool("marvo-play", argc, argv, PlayUsageText(), [](const std::vector<std::string>& Args) {
        const TPlayOptions O = ParsePlayCommandLine(Args);
        if (O.Help)
        {
            std::cout << PlayUsageText();
            return 0;
        }
        return RunPlay(O);
    });
}
