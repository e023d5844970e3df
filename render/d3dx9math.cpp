// The D3DX vector and matrix operations: single precision, left-handed, row vectors.
// Every element is stored as a 32-bit float; each intermediate lands in a float variable so the
// results are the same on every compiler (contraction into FMA is switched off globally).
#include <d3dx9math.h>

#include <cmath>

#include "third_party/musl-math/qv_libm.h"
#include <cstring>

namespace {

const float kEpsilon = 1.1920929e-7f;         // 2^-23, single-precision machine epsilon
const float kSmallestNormal = 1.1754944e-38f;  // 2^-126

// Both bounds count as equal: |a - b| == epsilon is still within it.
bool WithinEpsilon(float a, float b)
{
    float d = a - b;
    return -kEpsilon <= d && d <= kEpsilon;
}

void Zero(D3DXMATRIX* m) { std::memset(m, 0, sizeof *m); }

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    float x = a.y * b.z - a.z * b.y;
    float y = a.z * b.x - a.x * b.z;
    float z = a.x * b.y - a.y * b.x;
    return D3DXVECTOR3(x, y, z);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    float d = a.x * b.x + a.y * b.y + a.z * b.z;
    return d;
}

}  // namespace

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut)
{
    if (!pOut) return NULL;
    Zero(pOut);
    pOut->_11 = pOut->_22 = pOut->_33 = pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z)
{
    if (!D3DXMatrixIdentity(pOut)) return NULL;
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz)
{
    if (!pOut) return NULL;
    Zero(pOut);
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    pOut->_44 = 1.0f;
    return pOut;
}

// A turn in the plane of axes i and j (0 = x, 1 = y, 2 = z), from i towards j. Sine and cosine
// are taken of the angle as the float it was passed as, with the single-precision sine and cosine, so
// a matrix built twice from the same angle is the same matrix.
static D3DXMATRIX* Rotation(D3DXMATRIX* pOut, FLOAT angle, int i, int j)
{
    if (!D3DXMatrixIdentity(pOut)) return NULL;
    float c = qv_cosf(angle);
    float s = qv_sinf(angle);
    pOut->m[i][i] = c;
    pOut->m[i][j] = s;
    pOut->m[j][i] = -s;
    pOut->m[j][j] = c;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT Angle) { return Rotation(pOut, Angle, 1, 2); }
D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT Angle) { return Rotation(pOut, Angle, 2, 0); }
D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT Angle) { return Rotation(pOut, Angle, 0, 1); }

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    if (!pOut || !pM1 || !pM2) return NULL;
    // Both operands are copied first: the output may be one of them, and with no aliasing left
    // the compiler does a row's four sums side by side (each element still summed in this
    // order, so the results are the same bits).
    const D3DXMATRIX a = *pM1, b = *pM2;
    D3DXMATRIX product;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            product.m[r][c] = a.m[r][0] * b.m[0][c] + a.m[r][1] * b.m[1][c] + a.m[r][2] * b.m[2][c] +
                              a.m[r][3] * b.m[3][c];
        }
    }
    *pOut = product;
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV)
{
    if (!pOut || !pV) return NULL;
    D3DXVECTOR3 v = *pV;
    float s = v.x * v.x + v.y * v.y + v.z * v.z;
    if (WithinEpsilon(s, 1.0f)) {
        *pOut = v;  // already unit length: returned bit for bit
    } else if (s <= kSmallestNormal) {
        *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);  // no direction to keep, and 1/sqrt would blow up
    } else {
        float inv = 1.0f / sqrtf(s);
        *pOut = D3DXVECTOR3(v.x * inv, v.y * inv, v.z * inv);
    }
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV,
                                           const D3DXMATRIX* pM)
{
    if (!pOut || !pV || !pM) return NULL;
    const float x = pV->x, y = pV->y, z = pV->z;  // pOut may be pV
    const D3DXMATRIX& m = *pM;
    float tx = x * m._11 + y * m._21 + z * m._31 + m._41;
    float ty = x * m._12 + y * m._22 + z * m._32 + m._42;
    float tz = x * m._13 + y * m._23 + z * m._33 + m._43;
    float w = x * m._14 + y * m._24 + z * m._34 + m._44;
    pOut->x = tx;
    pOut->y = ty;
    pOut->z = tz;
    if (!WithinEpsilon(w, 1.0f)) {
        float inv = 1.0f / w;
        pOut->x *= inv;
        pOut->y *= inv;
        pOut->z *= inv;
    }
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp)
{
    if (!pOut || !pEye || !pAt || !pUp) return NULL;
    const D3DXVECTOR3 eye = *pEye;
    D3DXVECTOR3 zaxis = *pAt - eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVECTOR3 xaxis = Cross(*pUp, zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVECTOR3 yaxis = Cross(zaxis, xaxis);

    pOut->_11 = xaxis.x;
    pOut->_12 = yaxis.x;
    pOut->_13 = zaxis.x;
    pOut->_14 = 0.0f;
    pOut->_21 = xaxis.y;
    pOut->_22 = yaxis.y;
    pOut->_23 = zaxis.y;
    pOut->_24 = 0.0f;
    pOut->_31 = xaxis.z;
    pOut->_32 = yaxis.z;
    pOut->_33 = zaxis.z;
    pOut->_34 = 0.0f;
    pOut->_41 = -Dot(xaxis, eye);
    pOut->_42 = -Dot(yaxis, eye);
    pOut->_43 = -Dot(zaxis, eye);
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn,
                                              FLOAT zf)
{
    if (!pOut) return NULL;
    float depth = zf - zn;
    if (fovy == 0.0f || Aspect == 0.0f || depth == 0.0f) return NULL;  // out left as it was
    float h = fovy * 0.5f;
    float c = qv_cosf(h);
    float s = qv_sinf(h);
    float yScale = c / s;
    float q = zf / depth;
    Zero(pOut);
    pOut->_11 = yScale / Aspect;
    pOut->_22 = yScale;
    pOut->_33 = q;
    pOut->_34 = 1.0f;
    pOut->_43 = -(q * zn);
    return pOut;
}
