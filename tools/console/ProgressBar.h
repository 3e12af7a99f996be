#pragma once
// The command-line tools' console: a progress bar on standard error and one-line messages.
#include <cstdint>
#include <string>

// Files longer than this many seconds show a progress bar (when standard error is a terminal).
constexpr std::int64_t kProgressSeconds = 5;

// A progress bar on standard error ("<Label> [####....]  42%"), redrawn in place when its percentage
// changes; ends its line when finished or destroyed, so an error message that follows starts on a line of
// its own.
class TProgressBar
{
public:
    TProgressBar(std::string Label, std::int64_t Total, bool Shown);
    ~TProgressBar() { Finish(); }
    TProgressBar(const TProgressBar&) = delete;
    TProgressBar& operator=(const TProgressBar&) = delete;

    // Whether a file of Frames frames at SampleRate gets a bar: standard error is a terminal and the file is
    // longer than kProgressSeconds.
    static bool Wanted(std::int64_t Frames, int SampleRate);
    void Update(std::int64_t Done);
    void Finish();

private:
    std::string FLabel;
    std::int64_t FTotal;
    bool FShown;
    int FPercent = -1;
};

// S on one line: line breaks and tabs (a loader's message may have them) become spaces, trailing spaces go.
std::string OneLine(std::string S);
