#pragma once
// The facts a VST 3 host shows for each parameter, read from the effect record through the framework's
// parameter description (the record's names, labels and values where an effect gives none). This is the one
// place that reads them: title, short title, units, step count, default and the plain (real) range.
#include <string>
#include <vector>

#include "vst3/VST3Interfaces.h"
#include "vstplugin/DVSTEffect.h"
#include "vstplugin/DVSTParameterDescription.h"

namespace VST3Marvo
{

struct TParameterFacts
{
    ParamID Id = 0;           // the effect's parameter index
    std::u16string Title;     // the parameter's name
    std::u16string ShortTitle; // its short label (the name where it has none)
    std::u16string Units;     // the parameter's label
    int32 StepCount = 0;      // 0: continuous
    double Default = 0.0;     // normalised
    bool Described = false;   // the effect answered the description request: plain values are real units
    TVstParameterDescription Description;
};

// [any] Parameter F's plain value (real units where it is described, else the normalised value) and back.
double PlainOf(const TParameterFacts& F, double Normalised);
double NormalisedOf(const TParameterFacts& F, double Plain);

// [host-main] The facts of every parameter of a fresh effect E (before anything has changed a value).
std::vector<TParameterFacts> ReadParameterFacts(AEffect* E);

// [any] Text as a host's UTF-16 string: ASCII (and Latin-1) bytes widened, at most Size - 1 characters, zero-ended.
void CopyString16(char16* To, int Size, const std::u16string& Text);
std::u16string Widen(const std::string& Text);

} // namespace VST3Marvo
