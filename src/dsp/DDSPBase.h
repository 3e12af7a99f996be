#pragma once
// DSP helpers shared by the sample path and the editor.

// [any thread] x limited to [Lower, Upper]; a NaN x gives Lower (an unordered comparison counts as below).
float Limit(float x, float Lower, float Upper);

// [any thread] Odd soft-saturation curve with slope 0.5 at 0, tending to ±1; each step rounded to float.
// ±∞ and magnitudes too large for the curve's float intermediate give ±1; NaN stays NaN.
float SoftSaturate(float x);

// [any thread] A normalised control value 0..1 mapped logarithmically to 20 Hz..20 kHz: 20·1000^x.
long double NormalisedToFrequency(float x);

// [any thread] sin and cos of Angle from one evaluation, each rounded to double.
void SinCos(double Angle, double& SinValue, double& CosValue);
