#include "render/camera.h"

#include "third_party/musl-math/qv_libm.h"

namespace {

struct Turn {
    float c;
    float s;
    bool skip;
};

// Sine and cosine are taken in double and kept as floats. An axis whose float cosine truncates
// to 1 is skipped even when its sine is not quite 0: below about 0.014 degrees nothing turns.
Turn TurnFor(float degrees)
{
    const float r = static_cast<float>(static_cast<double>(degrees) / 180.0 * static_cast<double>(3.14f));
    Turn t;
    t.c = static_cast<float>(qv_cos(static_cast<double>(r)));
    t.s = static_cast<float>(qv_sin(static_cast<double>(r)));
    t.skip = static_cast<int>(t.c) == 1;
    return t;
}

// The rotation of the plane (a, b) by t, products carried in double, each result stored as float.
void Rotate(float& a, float& b, const Turn& t)
{
    const double a0 = a;
    const double b0 = b;
    a = static_cast<float>(a0 * t.c - b0 * t.s);
    b = static_cast<float>(a0 * t.s + b0 * t.c);
}

}  // namespace

void RotateVector(D3DXVECTOR3* out, D3DXVECTOR3 v, D3DXVECTOR3 angles)
{
    float x = v.x;
    float y = v.y;
    float z = v.z;
    const Turn aboutX = TurnFor(angles.x);
    const Turn aboutY = TurnFor(angles.y);
    const Turn aboutZ = TurnFor(angles.z);
    if (!aboutX.skip) {
        Rotate(y, z, aboutX);  // y' = y c - z s, z' = y s + z c
    }
    if (!aboutY.skip) {
        Rotate(z, x, aboutY);  // z' = z c - x s, x' = z s + x c
    }
    if (!aboutZ.skip) {
        Rotate(x, y, aboutZ);  // x' = x c - y s, y' = x s + y c
    }
    if (out != nullptr) {
        *out = D3DXVECTOR3(x, y, z);
    }
}

CCamera::CCamera()
    : position(0.0f, 0.0f, -40.0f),
      lookAt(0.0f, 0.0f, 10.0f),
      angles(-15.0f, 10.0f, 0.0f),
      fov(65.0f),
      nearPlane(1.0f),
      farPlane(800.0f),
      followTarget(0)
{
}

CCamera::~CCamera() {}

void CCamera::MoveForward(FLOAT distance)
{
    D3DXVECTOR3 facing;
    RotateVector(&facing, D3DXVECTOR3(0.0f, 0.0f, 1.0f), angles);
    position += facing * distance;
}
