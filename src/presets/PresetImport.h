#pragma once
// One call from a preset file to an equaliser setting: read the file (any format of PresetFormats.h), fit the
// eight bands and the volume to it, and answer the 33 parameter values, the errors and the warnings. This is
// what the tool and the player's "Import EQ preset…" call; it knows the equaliser's parameters, but no window
// and no host.
#include <functional>
#include <string>
#include <vector>

#include "presets/PresetFit.h"
#include "presets/PresetFormats.h"

struct TImportOptions
{
    double SampleRate = 44100.0;  // the rate the file's filters were designed for
    bool ShelfCorner = false;     // "LS"/"HS" frequencies are corners, not centres
    std::string Preset;           // a library's record: name or 1-based index; empty: the first
    std::function<void(double Done)> OnProgress; // may be empty
    std::function<bool()> Cancelled;             // true stops the fit (the answer is then Cancelled); may be empty
};

struct TImportResult
{
    bool Ok = false;
    bool Cancelled = false;            // Cancelled answered true: nothing was fitted
    std::string Error;                 // one line naming the file (and line) when !Ok
    std::string Name;                  // a record's name, else empty
    TEqualiserSetting Parameters{};    // real units, index 4b + k per band, 32 the volume
    double RmsDb = 0.0, MaxDb = 0.0;   // error over 20 Hz – 16 kHz
    std::vector<std::string> Warnings;
    TFitResult Fit;                    // grid, target and fitted curves
};

// [any] Never raises: every failure is an answer with Ok false. Runs the fit on the calling thread (up to a
// second or two).
TImportResult ImportPresetFile(const std::string& Path, const TImportOptions& Options);
