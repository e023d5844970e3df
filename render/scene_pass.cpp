// The frame's scene pass: camera transforms, the states every later draw inherits, the ground.
#include "render/scene_pass.h"

#include <d3dx9math.h>

#include "app/engine.h"
#include "app/timer.h"
#include "render/device.h"

namespace {

// Degrees to radians for the matrix paths. Deliberately 57.2, not 180/pi: the world and camera
// were tuned with it, and the mesh objects turn by the same factor.
const FLOAT kDegreesPerRadian = 57.2f;

}  // namespace

void SetupViewProjection()
{
    if (g_pd3dDevice == NULL) return;
    CCamera& camera = g_engine.camera;

    // Facing: about X first, then Y, then Z, as MoveForward turns it.
    D3DXMATRIX rotX, rotY, rotZ, rotation;
    D3DXMatrixRotationX(&rotX, camera.angles.x / kDegreesPerRadian);
    D3DXMatrixRotationY(&rotY, camera.angles.y / kDegreesPerRadian);
    D3DXMatrixRotationZ(&rotZ, camera.angles.z / kDegreesPerRadian);
    D3DXMatrixMultiply(&rotation, &rotX, &rotY);
    D3DXMatrixMultiply(&rotation, &rotation, &rotZ);

    const D3DXVECTOR3 forward(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 direction;
    D3DXVec3TransformCoord(&direction, &forward, &rotation);
    D3DXVECTOR3 at = camera.position + direction;

    // Pitched past the vertical the camera is upside down. The stored angle is not reduced
    // modulo 360, so 270 and beyond count as upright again.
    D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    FLOAT pitch = FAbs(camera.angles.x);
    if (pitch >= 90.0f && pitch < 270.0f) up = -up;

    D3DXMATRIX view;
    if (camera.followTarget == 0) {
        D3DXMatrixLookAtLH(&view, &camera.position, &at, &up);
    } else {
        const D3DXVECTOR3 zUp(0.0f, 0.0f, 1.0f);
        D3DXMatrixLookAtLH(&view, &camera.position, &camera.lookAt, &zUp);
    }
    g_pd3dDevice->SetTransform(D3DTS_VIEW, &view);
    camera.lookAt = at;

    FLOAT aspect = static_cast<FLOAT>(g_engine.screen.width) / static_cast<FLOAT>(g_engine.screen.height);
    // A degenerate lens writes nothing into the matrix; hand over the identity then, not garbage.
    D3DXMATRIX projection;
    D3DXMatrixIdentity(&projection);
    D3DXMatrixPerspectiveFovLH(&projection, camera.fov / kDegreesPerRadian, aspect, camera.nearPlane,
                               camera.farPlane);
    g_pd3dDevice->SetTransform(D3DTS_PROJECTION, &projection);
}

void DrawScenePass()
{
    if (g_pd3dDevice == NULL) return;
    SetupViewProjection();

    g_pd3dDevice->SetTexture(0, g_pGroundTexture);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    g_pd3dDevice->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);

    g_pd3dDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    g_pd3dDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    g_pd3dDevice->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    g_pd3dDevice->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    g_pd3dDevice->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);

    // Nothing else in the frame sets blending or the alpha test: the meshes drawn after the
    // ground inherit these.
    g_pd3dDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    g_pd3dDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    g_pd3dDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    g_pd3dDevice->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    g_pd3dDevice->SetRenderState(D3DRS_ALPHAREF, 8);
    g_pd3dDevice->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);

    D3DXMATRIX world;
    D3DXMatrixTranslation(&world, 0.0f, 0.0f, 0.0f);
    g_pd3dDevice->SetTransform(D3DTS_WORLD, &world);

    g_pd3dDevice->SetStreamSource(0, g_pGroundVB, 0, sizeof(GroundVertex));
    g_pd3dDevice->SetFVF(D3DFVF_GROUNDVERTEX);
    g_pd3dDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}
