/* Part of math_private.h here. */
#include <math_private.h>
