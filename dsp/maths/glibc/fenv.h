/* Only the rounding mode's name (math_private.h sets none). */
#ifndef FE_TONEAREST
#define FE_TONEAREST 0
#endif
