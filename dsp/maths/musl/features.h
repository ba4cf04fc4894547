/* musl's internal <features.h>, for the files taken from musl. */
#ifndef VELMO_MUSL_FEATURES_H
#define VELMO_MUSL_FEATURES_H

#if defined(__has_include_next)
#if __has_include_next(<features.h>)
#include_next <features.h>
#endif
#endif

#if defined(__ELF__)
#define hidden __attribute__((__visibility__("hidden")))
#else
#define hidden
#endif

#endif
