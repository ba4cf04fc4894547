#pragma once

#include "dsp/Compressor.h"

// The compressor's gain curve for many envelopes at once, with the single-
// precision logarithm and exponential worked out four at a time in the maths
// layer's own way (glibc's and musl's: the same tables and polynomials), with
// fused multiply-adds where the layer rounds a product and a sum apart; for
// these two functions that gives the layer's bits for every input they take
// (the logarithm every float, the exponential below 16 in magnitude), as
// their tests check over all 2^32. It runs on x86-64 Linux processors with
// AVX2 and FMA; elsewhere the callers use the maths layer itself.
namespace CurveMath
{
// Whether gains() may be used in this process.
bool available();

// gains[i] = CompressorDetail::gainForEnvelope(envelopes[i], curve) for i < n.
// Only when available().
void gains(const float* envelopes, float* gains, int n, const Compressor::Curve& curve);

// logf and expf of four values each, for checking against the maths layer.
// Only when available().
void log4(const float* in, float* out);
void exp4(const float* in, float* out);
} // namespace CurveMath
