#pragma once
// The facts a VST 3 host shows for each parameter, read from the effect record. This is the one place that
// reads them: title, units, step count and default.
#include <string>
#include <vector>

#include "vst3/VST3Interfaces.h"
#include "vstplugin/DVSTEffect.h"

namespace VST3Marvo
{

struct TParameterFacts
{
    ParamID Id = 0;           // the effect's parameter index
    std::u16string Title;     // the parameter's name
    std::u16string Units;     // the parameter's label
    int32 StepCount = 0;      // 0: continuous
    double Default = 0.0;     // normalised
};

// [host-main] The facts of every parameter of a fresh effect E (before anything has changed a value).
std::vector<TParameterFacts> ReadParameterFacts(AEffect* E);

// [any] Text as a host's UTF-16 string: ASCII (and Latin-1) bytes widened, at most Size - 1 characters, zero-ended.
void CopyString16(char16* To, int Size, const std::u16string& Text);
std::u16string Widen(const std::string& Text);

} // namespace VST3Marvo
