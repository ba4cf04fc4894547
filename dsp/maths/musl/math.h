/* Stands in for the platform's <math.h> in the files taken from musl: only
   what they use, so no inline function or macro of a C library reaches them. */
#ifndef VELMO_MUSL_MATH_H
#define VELMO_MUSL_MATH_H

#include <features.h>
#include <float.h>

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the maths layer needs float and double arithmetic without excess precision (SSE2 on x86)"
#endif

typedef float float_t;
typedef double double_t;

#define INFINITY __builtin_inff()
#define NAN __builtin_nanf("")
#define fabs(x) __builtin_fabs(x)

float expf(float);
float logf(float);
float powf(float, float);
double pow(double, double);

#endif
