/* Included before every file taken from glibc: the names it defines become
   the maths layer's own (see ../musl/names.h). */
#ifndef VELMO_GLIBC_NAMES_H
#define VELMO_GLIBC_NAMES_H

#define __sin velmo_glibc_sin
#define __cos velmo_glibc_cos
#define __tan velmo_glibc_tan
#define __branred velmo_glibc_branred
#define __sincostab velmo_glibc_sincostab

#endif
