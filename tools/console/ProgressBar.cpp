// The command-line tools' console.
#include "console/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/System.h"

TProgressBar::TProgressBar(std::string Label, std::int64_t Total, bool Shown)
    : FLabel(std::move(Label)), FTotal(Total), FShown(Shown && Total > 0)
{
}

bool TProgressBar::Wanted(std::int64_t Frames, int SampleRate)
{
    return StandardErrorIsTerminal() && Frames > 0 && Frames > kProgressSeconds * SampleRate;
}

void TProgressBar::Update(std::int64_t Done)
{
    if (!FShown)
        return;
    const int Percent = static_cast<int>(std::clamp<std::int64_t>(Done * 100 / FTotal, 0, 100));
    if (Percent == FPercent)
        return;
    FPercent = Percent;
    constexpr int Width = 40;
    const int Filled = Percent * Width / 100;
    std::fprintf(stderr, "\r%s [%s%s] %3d%%", FLabel.c_str(), std::string(Filled, '#').c_str(),
                 std::string(Width - Filled, '.').c_str(), Percent);
    std::fflush(stderr);
}

void TProgressBar::Finish()
{
    if (FShown && FPercent >= 0)
        std::fputc('\n', stderr);
    FShown = false;
}

std::string OneLine(std::string S)
{
    for (char& C : S)
        if (C == '\n' || C == '\r' || C == '\t')
            C = ' ';
    while (!S.empty() && S.back() == ' ')
        S.pop_back();
    return S;
}
