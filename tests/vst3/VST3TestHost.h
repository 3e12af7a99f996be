#pragma once
// The VST 3 tests' host: the shared host side (vst3host/VST3Host.h) and the tests' own signals and paths.
#include <string>
#include <vector>

#include "vst3host/VST3Host.h"

namespace VST3Test
{

using namespace VST3Host;

// [any] A path relative to the test program's folder, with the platform's separators.
std::string BesideTests(const std::string& Relative);

// The test signal: deterministic noise of amplitude 0.5 on each channel.
std::vector<std::vector<float>> Noise(int Channels, int Frames, unsigned Seed);

} // namespace VST3Test
