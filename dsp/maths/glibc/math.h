/* Stands in for <math.h> in the files taken from glibc: only what they use. */
#ifndef VELMO_GLIBC_MATH_H
#define VELMO_GLIBC_MATH_H

#include <float.h>

#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the maths layer needs float and double arithmetic without excess precision (SSE2 on x86)"
#endif

#define fabs(x) __builtin_fabs(x)
#define copysign(x, y) __builtin_copysign(x, y)

#endif
