// The one camera: where the viewer stands, which way it faces, and the lens.
#pragma once

#include <d3dx9math.h>

class CCamera {
public:
    CCamera();
    virtual ~CCamera();

    // Moves position by distance along the facing that angles give; negative moves back.
    void MoveForward(FLOAT distance);

    D3DXVECTOR3 position;
    D3DXVECTOR3 lookAt;
    D3DXVECTOR3 angles;  // degrees about X, Y and Z, turning the base facing (0, 0, 1)
    FLOAT fov;           // vertical, degrees
    FLOAT nearPlane;
    FLOAT farPlane;
    INT followTarget;    // when set, the view looks at lookAt instead of along angles
};

// v turned about X, then Y, then Z by angles in degrees. Radians come from 3.14, not pi, and an
// axis whose single-precision cosine is exactly 1 is left out.
void RotateVector(D3DXVECTOR3* out, D3DXVECTOR3 v, D3DXVECTOR3 angles);
