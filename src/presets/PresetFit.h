#pragma once
// The least-squares fit of the equaliser's 33 parameters to the response a preset asks for. The model is
// the equaliser itself (PresetModel.h); the optimiser is Eigen's Levenberg–Marquardt, started from the
// file's own filters (strongest first, shelves as symmetry ∓1) and from several variants of that choice.
// Every parameter stays inside its range (each is mapped through a bounded transform). The result is
// deterministic: the same source gives the same setting bit for bit in every build.
//
// All functions are [any] and keep no state; a fit runs on the calling thread.
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "presets/PresetFormats.h"
#include "presets/PresetModel.h"

inline constexpr double kFitSampleRate = 44100.0;

struct TFitOptions
{
    double FileSampleRate = 44100.0; // the rate the source's filters were designed for
    // Called now and then with the share of the work done (0..1); may be empty.
    std::function<void(double Done)> OnProgress;
    // Asked as often as OnProgress is called; answering true stops the fit with EFitCancelled. May be empty.
    std::function<bool()> Cancelled;
};

// What a fit raises when its Cancelled answered true.
struct EFitCancelled : std::runtime_error
{
    EFitCancelled() : std::runtime_error("the import was cancelled") {}
};

struct TFitResult
{
    TEqualiserSetting Setting{};        // real units, as a program file gives them back
    std::vector<double> Frequencies;    // the grid, Hz
    std::vector<double> TargetDb;       // what the source asks for
    std::vector<double> FittedDb;       // what the equaliser plays with Setting
    double RmsDb = 0.0;                 // error over 20 Hz – 16 kHz
    double MaxDb = 0.0;
    std::vector<std::string> Warnings;  // one line each
};

// The errors of Fitted against Target over the points at or below kWeightedTop.
void FitErrors(const std::vector<double>& Frequencies, const std::vector<double>& Target,
               const std::vector<double>& Fitted, double& RmsDb, double& MaxDb);

TFitResult FitToBands(const TPresetSource& Source, const TFitOptions& Options);
