/* Stands in for musl's internal libm.h, so that its sine and cosine sources build unchanged
 * inside another C library. Every name they define is renamed here (qv_libm.h declares the
 * public ones), so nothing clashes with the system's libm, and only what they use is kept. */
#ifndef QV_MUSL_LIBM_H
#define QV_MUSL_LIBM_H

#define sin qv_sin
#define cos qv_cos
#define sinf qv_sinf
#define cosf qv_cosf
#define __sin qv_musl_sin_kernel
#define __cos qv_musl_cos_kernel
#define __sindf qv_musl_sindf_kernel
#define __cosdf qv_musl_cosdf_kernel
#define __rem_pio2 qv_musl_rem_pio2
#define __rem_pio2f qv_musl_rem_pio2f
#define __rem_pio2_large qv_musl_rem_pio2_large

#include <float.h>
#include <stdint.h>

#include "qv_libm.h"

#define M_PI_2 1.57079632679489661923 /* pi/2 */

/* SSE arithmetic on x86-64: FLT_EVAL_METHOD is 0, so these are the plain types. */
typedef double double_t;
typedef float float_t;

/* Exact in every C library; the only ones the sources call. */
double scalbn(double x, int n);
double floor(double x);

#define predict_true(x) __builtin_expect(!!(x), 1)
#define predict_false(x) __builtin_expect(x, 0)

#define FORCE_EVAL(x) do {                        \
	if (sizeof(x) == sizeof(float)) {         \
		volatile float __y = (float)(x);  \
		(void)__y;                        \
	} else {                                  \
		volatile double __y = (double)(x);\
		(void)__y;                        \
	}                                         \
} while(0)

#define asuint(f) ((union{float _f; uint32_t _i;}){f})._i
#define asuint64(f) ((union{double _f; uint64_t _i;}){f})._i

#define GET_HIGH_WORD(hi,d)                       \
do {                                              \
  (hi) = asuint64(d) >> 32;                       \
} while (0)

#define GET_FLOAT_WORD(w,d)                       \
do {                                              \
  (w) = asuint(d);                                \
} while (0)

double __sin(double, double, int);
double __cos(double, double);
float __sindf(double);
float __cosdf(double);
int __rem_pio2(double, double *);
int __rem_pio2f(float, double *);
int __rem_pio2_large(double *, double *, int, int, int);

#endif
