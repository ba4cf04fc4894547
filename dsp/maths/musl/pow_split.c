/* musl's pow, compiled here in place of its own file, and two entries beside
   it that split its work for a base used many times: the base's logarithm
   as pow works it out and splits it, then the rest of pow for any exponent.
   Both run pow's own code, so a base's logarithm taken once gives the bits
   of pow(x, y) for every y. */
#include "pow.c"

/* The split logarithm of x (positive, finite, normal): lhi + llo as pow
   multiplies it by y. */
void velmo_musl_pow_split_log(double x, double* lhi, double* llo)
{
    double_t lo;
    double_t hi = log_inline(asuint64(x), &lo);
    *lhi = asdouble(asuint64(hi) & -1ULL << 27);
    *llo = hi - *lhi + lo;
}

/* pow(x, y) for an x that is positive, finite and normal, with lhi and llo
   from velmo_musl_pow_split_log(x). For such an x, pow leaves its main path
   only for the y it tests here, and then before taking the logarithm. */
double velmo_musl_pow_split(double x, double y, double lhi, double llo)
{
    uint64_t iy = asuint64(y);
    uint32_t topy = top12(y);
    if (predict_false((topy & 0x7ff) - 0x3be >= 0x43e - 0x3be))
        return pow(x, y);
    double_t yhi = asdouble(iy & -1ULL << 27);
    double_t ylo = y - yhi;
    double_t ehi = yhi * lhi;
    double_t elo = ylo * lhi + y * llo;
    return exp_inline(ehi, elo, 0);
}
