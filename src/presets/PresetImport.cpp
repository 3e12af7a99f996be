#include "presets/PresetImport.h"

TImportResult ImportPresetFile(const std::string& Path, const TImportOptions& Options)
{
    TImportResult Result;
    try
    {
        if (!(Options.SampleRate > 0.0))
            throw EPresetError(Path + ": the sample rate must be above 0 Hz");
        TPresetReadOptions Read;
        Read.SampleRate = Options.SampleRate;
        Read.ShelfCorner = Options.ShelfCorner;
        Read.Preset = Options.Preset;
        const TPresetSource Source = ReadPresetFile(Path, Read);
        TFitOptions Fit;
        Fit.FileSampleRate = Options.SampleRate;
        Fit.OnProgress = Options.OnProgress;
        Fit.Cancelled = Options.Cancelled;
        Result.Fit = FitToBands(Source, Fit);
        Result.Name = Source.Name;
        Result.Parameters = Result.Fit.Setting;
        Result.RmsDb = Result.Fit.RmsDb;
        Result.MaxDb = Result.Fit.MaxDb;
        Result.Warnings = Source.Warnings;
        for (const std::string& W : Result.Fit.Warnings)
            Result.Warnings.push_back(Path + ": " + W);
        Result.Ok = true;
    }
    catch (const EFitCancelled& E)
    {
        Result = TImportResult{};
        Result.Cancelled = true;
        Result.Error = E.what();
    }
    catch (const std::exception& E)
    {
        Result = TImportResult{};
        Result.Error = E.what();
    }
    catch (...)
    {
        Result = TImportResult{};
        Result.Error = Path + ": the preset cannot be imported";
    }
    return Result;
}
