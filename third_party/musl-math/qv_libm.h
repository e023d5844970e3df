/* Sine and cosine from musl 1.2.3 (src/math, MIT licence: COPYRIGHT beside this file), built
 * into both the Linux and the Windows program, so that the game's float results do not depend
 * on the platform's C library: glibc and MinGW-w64's runtime compute these differently. */
#ifndef QV_LIBM_H
#define QV_LIBM_H

#ifdef __cplusplus
extern "C" {
#endif

double qv_sin(double x);
double qv_cos(double x);
float qv_sinf(float x);
float qv_cosf(float x);

#ifdef __cplusplus
}
#endif

#endif
