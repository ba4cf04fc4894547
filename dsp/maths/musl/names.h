/* Included before every file taken from musl: the names it defines become the
   maths layer's own, so they can neither clash with nor be replaced by the
   platform's C library. */
#ifndef VELMO_MUSL_NAMES_H
#define VELMO_MUSL_NAMES_H

#define expf velmo_musl_expf
#define logf velmo_musl_logf
#define powf velmo_musl_powf
#define pow velmo_musl_pow

#define __math_oflow velmo_musl___math_oflow
#define __math_uflow velmo_musl___math_uflow
#define __math_xflow velmo_musl___math_xflow
#define __math_invalid velmo_musl___math_invalid
#define __math_divzero velmo_musl___math_divzero
#define __math_oflowf velmo_musl___math_oflowf
#define __math_uflowf velmo_musl___math_uflowf
#define __math_xflowf velmo_musl___math_xflowf
#define __math_invalidf velmo_musl___math_invalidf
#define __math_divzerof velmo_musl___math_divzerof

#define __exp2f_data velmo_musl___exp2f_data
#define __logf_data velmo_musl___logf_data
#define __powf_log2_data velmo_musl___powf_log2_data
#define __exp_data velmo_musl___exp_data
#define __pow_log_data velmo_musl___pow_log_data

#endif
