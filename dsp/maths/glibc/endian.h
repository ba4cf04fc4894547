/* glibc's word-order names, for the files taken from glibc. */
#ifndef VELMO_GLIBC_ENDIAN_H
#define VELMO_GLIBC_ENDIAN_H

#if __FLOAT_WORD_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define LITTLE_ENDI 1
#define HIGH_HALF 1
#define LOW_HALF 0
#else
#define BIG_ENDI 1
#define HIGH_HALF 0
#define LOW_HALF 1
#endif

#endif
