// The page has no Direct3D device until the Direct3D layer speaks OpenGL ES 3.0 (WebGL 2). Until
// then Direct3DCreate9 answers as on a machine without Direct3D 9, and the game says so in its
// own message box and stops; the device hooks answer as for a device that is not theirs.
#include <d3d9.h>
#include <qv_d3d9.h>

IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion)
{
    (void)SDKVersion;
    return nullptr;
}

HRESULT QvReadBackBuffer(IDirect3DDevice9* device, QvBackBufferSource source, DWORD* pixels, UINT capacity,
                         UINT* width, UINT* height)
{
    (void)device, (void)source, (void)pixels, (void)capacity, (void)width, (void)height;
    return D3DERR_INVALIDCALL;
}

void QvSetPresentIntervalOverride(int interval) { (void)interval; }
