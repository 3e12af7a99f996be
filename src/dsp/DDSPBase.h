#pragma once
// DSP helpers shared by the sample path and the editor.

// [any thread] x limited to [Lower, Upper]; a NaN x gives Lower (an unordered comparison counts as below).
float Limit(float x, float Lower, float Upper);

// [any thread] Odd soft-saturation curve with slope 0.5 at 0, tending to ±1; each step rounded to float.
float SoftSaturate(float x);
