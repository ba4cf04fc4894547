/* Not used: the files taken from glibc set no errno here (math_private.h). */
