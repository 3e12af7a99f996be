#pragma once
// The fast engine: the same cascade, volume and meter as the block kernel of SEQCascade.h, in double
// precision on the SSE units. Per channel and frame, with every operation rounded to double:
//     y  = B0·x + S0;   S0 = (B1·x − A1·y) + S1;   S1 = B2·x − A2·y      (x = the previous section's y)
//     y  = y·VolumeFactor;   m = m·0.999f + |y·0.001f|;   output = y rounded to float
// The levels below differ only in how many of these independent operations run side by side: the two
// channels, and the eight sections in a wavefront (section k works on frame n − k while section k + 1 works on
// frame n − k − 1; the wavefront fills and drains inside each block, so nothing is delayed). Each operation
// is the same IEEE double operation at every level, without contraction or reassociation, so every level
// and every build gives the same bits.
//
// The engine runs with flush-to-zero and denormals-are-zero for its own block (a decaying tail stays as fast
// as the loud part) and gives the caller its own MXCSR back before it returns. It reads and leaves the
// states and meters of a TCascade, so a cascade can change between this engine and the reference kernel
// at any block boundary without a click.
#include <cstdint>

#include "equaliser/SEQCascade.h"
#include "vstplugin/DVSTModuleCPU.h"

enum TFastLevel
{
    flPlain, // one operation at a time: both channels one after the other, frame by frame
    flSSE2,  // two lanes: both channels of one section (every x86 build has SSE2)
    flAVX2   // four lanes: both channels of two neighbouring sections
};

// [any] The widest level the processor (and its operating system) supports.
TFastLevel FastLevelFor(TCPUInstructions Instructions);

// [audio] One block through the fast engine at Level (which the processor must support). `Inputs[c]` and
// `Outputs[c]` may be the same memory; planes that overlap otherwise run in the plain order, which gives
// the results of separate planes processed channel after channel. SampleFrames <= 0 processes nothing.
void ProcessCascadeFast(TCascade& Cascade, const float* const* Inputs, float* const* Outputs,
                        std::int32_t SampleFrames, TFastLevel Level);
