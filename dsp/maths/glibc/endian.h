/* glibc's word-order names, for the files taken from glibc. */
#ifndef VELMO_GLIBC_ENDIAN_H
#define VELMO_GLIBC_ENDIAN_H

/* The order of a double's two 32-bit halves (clang does not name it: there
   it is the byte order). */
#if defined(__FLOAT_WORD_ORDER__)
#define VELMO_GLIBC_WORD_ORDER __FLOAT_WORD_ORDER__
#else
#define VELMO_GLIBC_WORD_ORDER __BYTE_ORDER__
#endif

#if VELMO_GLIBC_WORD_ORDER == __ORDER_LITTLE_ENDIAN__
#define LITTLE_ENDI 1
#define HIGH_HALF 1
#define LOW_HALF 0
#elif VELMO_GLIBC_WORD_ORDER == __ORDER_BIG_ENDIAN__
#define BIG_ENDI 1
#define HIGH_HALF 0
#define LOW_HALF 1
#else
#error "unknown order of a double's halves"
#endif

#endif
