#pragma once

#include "dsp/Compressor.h"

// The compressor's gain curve for many envelopes at once, with the single-
// precision logarithm and exponential worked out four at a time in the
// C library's own way: the same tables, the same fused multiply-adds in the
// same order, so every result has the C library's bits. It runs only where
// that holds: on x86 processors with AVX2 and FMA, where the C library
// computes these two functions with fused multiply-adds too, and only after
// a check against the C library when this library loads. Elsewhere the
// callers use the C library itself.
namespace CurveMath
{
// Whether gains() may be used in this process.
bool available();

// gains[i] = CompressorDetail::gainForEnvelope(envelopes[i], curve) for i < n.
// Only when available().
void gains(const float* envelopes, float* gains, int n, const Compressor::Curve& curve);

// logf and expf of four values each, for checking against the C library.
// Only when available().
void log4(const float* in, float* out);
void exp4(const float* in, float* out);
} // namespace CurveMath
