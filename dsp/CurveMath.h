#pragma once

#include "dsp/Compressor.h"

// The compressor's gain curve for many envelopes at once, with the single-
// precision logarithm and exponential worked out several at a time in the
// maths layer's own way (glibc's and musl's: the same tables and
// polynomials), with fused multiply-adds where the layer rounds a product and
// a sum apart; for these two functions that gives the layer's bits for every
// input they take (the logarithm every float, the exponential below 16 in
// magnitude), as their tests check over all 2^32. It runs on x86-64
// processors (Linux and Windows builds) with AVX2 and FMA, eight values at a
// time, or with AVX-512, sixteen at a time; elsewhere the callers use the
// maths layer itself.
namespace CurveMath
{
// The ways of computing the curve, from the plain one to the widest.
enum class Form
{
    scalar,
    avx2,
    avx512
};

// The widest form this processor runs, found on the first call.
Form widest();

// Whether gains() runs a vector form in this process.
bool available();

// gains[i] = CompressorDetail::gainForEnvelope(envelopes[i], curve) for i < n,
// by the widest form. gains may be envelopes itself (in place); otherwise the
// two do not overlap.
void gains(const float* envelopes, float* gains, int n, const Compressor::Curve& curve);

// The same by the given form, which the processor must run (form <= widest()).
void gains(Form form, const float* envelopes, float* gains, int n, const Compressor::Curve& curve);

// logf and expf of sixteen values each by the given form, for checking
// against the maths layer.
void log16(Form form, const float* in, float* out);
void exp16(Form form, const float* in, float* out);
} // namespace CurveMath
