/* glibc's internal helpers, as far as the files taken from glibc use them.
   Raising floating-point exceptions and setting errno are left out: the
   maths layer's callers read neither, and no result depends on them. The
   files run in the default rounding mode, so no mode is set around them. */
#ifndef VELMO_GLIBC_MATH_PRIVATE_H
#define VELMO_GLIBC_MATH_PRIVATE_H

#if defined(__ELF__)
#define attribute_hidden __attribute__((__visibility__("hidden")))
#else
#define attribute_hidden
#endif

#ifndef __always_inline
#define __always_inline __inline __attribute__((__always_inline__))
#endif
#define __glibc_likely(cond) __builtin_expect((cond), 1)
#define __glibc_unlikely(cond) __builtin_expect((cond), 0)

#define math_check_force_underflow(x) ((void) 0)
#define math_check_force_underflow_nonneg(x) ((void) 0)
#define math_narrow_eval(x) (x)
#define SET_RESTORE_ROUND_53BIT(mode) ((void) 0)
#define __set_errno(e) ((void) 0)
#define libm_alias_double(from, to)

#endif
