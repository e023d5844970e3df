// Hooks into Direct3D 9 outside the Windows names, over our OpenGL device (platform/d3d9) and
// over the real one (platform/windows): tools and tests use them to read back what was drawn,
// to run without waiting for the display, and to make device creation fail on purpose.
//
// On Windows the device is the system's. In a program that links the hooks (tools and tests;
// never the game), its own Direct3DCreate9 hands out a thin wrapper of the Direct3D object, which applies
// the interval override and the failure injection, and makes windowed swap chains copy their
// one back buffer (D3DSWAPEFFECT_COPY) so that the presented picture stays readable. There
// QvForceCpuDxtDecode does nothing and QvGetDeviceStats answers D3DERR_INVALIDCALL.
#pragma once

#include <d3d9.h>

enum QvBackBufferSource {
    QV_BACKBUFFER_PRESENTED = 0, // the picture shown by the last Present
    QV_BACKBUFFER_CURRENT = 1    // the back buffer as drawn so far, before Present
};

// Copies the back buffer into `pixels` as D3DCOLOR values (0xAARRGGBB), top row first, `width` x
// `height` of them. With `pixels` null only the size is returned. Fails with D3DERR_MOREDATA if
// `capacity` (in pixels) is too small, D3DERR_NOTAVAILABLE if nothing was presented yet, and
// D3DERR_INVALIDCALL for a device that is not ours.
HRESULT QvReadBackBuffer(IDirect3DDevice9* device, QvBackBufferSource source, DWORD* pixels,
                         UINT capacity, UINT* width, UINT* height);

// Writes the back buffer to a PNG file, 8 bits a channel: RGBA with `channels` 4, RGB (alpha
// dropped, a smaller file) with 3. `compressionLevel` is zlib's, 1 to 9. D3DERR_INVALIDCALL for
// other channel counts or levels.
HRESULT QvSaveBackBufferPng(IDirect3DDevice9* device, QvBackBufferSource source, const char* path, int channels = 4,
                            int compressionLevel = 8);

// Presentation parameters for a device of tools, tests and benchmarks: windowed, `width` x
// `height` X8R8G8B8, one back buffer discarded on Present, 16-bit depth, presenting at once.
D3DPRESENT_PARAMETERS QvPresentParams(UINT width, UINT height);

// A device with no window of its own: Direct3DCreate9, then CreateDevice on the default adapter
// with `params` and `behaviorFlags`. On success both objects are the caller's to release; on
// failure neither is left behind, both outputs are null and the result is CreateDevice's (or
// D3DERR_NOTAVAILABLE when there is no Direct3D object at all).
HRESULT QvCreateStandaloneDevice(D3DPRESENT_PARAMETERS* params, DWORD behaviorFlags, IDirect3D9** d3d,
                                 IDirect3DDevice9** device);

// Overrides every device's presentation interval: 0 presents at once, 1 waits for one refresh,
// -1 goes back to what the presentation parameters ask for.
void QvSetPresentIntervalOverride(int interval);

// Makes the next `count` IDirect3D9::CreateDevice calls fail with D3DERR_NOTAVAILABLE, so that
// callers can walk their fallback chain. 0 ends the injection.
void QvFailNextDeviceCreations(int count);

// How devices created from now on draw their back buffers (our OpenGL device; the system's
// Direct3D ignores both). `scale` times the back buffer's size, from 1 to 4 and not necessarily
// whole: the device draws viewports, pre-transformed vertices, points and clears that much larger
// while everything the caller reads stays at the back buffer's size, and QvReadBackBuffer gives
// the picture as drawn. 0 follows the window: the size Present shows the picture at, never less
// than the back buffer's. 1, the default, draws as Direct3D 9 does.
void QvSetRenderScale(float scale);
// Multisampling of devices created from now on: 2, 4 or 8 samples a pixel (fewer when the GL
// driver offers fewer), resolved at Present; 0 or 1 for none, the default.
void QvSetMultisample(int samples);

// Decodes DXT textures on the CPU even where the GL driver can take them compressed.
void QvForceCpuDxtDecode(BOOL force);

struct QvDeviceStats {
    UINT programsCompiled;   // fixed-function programs built since the device was created
    UINT programsCached;     // distinct programs held
    UINT draws;              // draw calls accepted; each reaches GL, alone or batched with others
    UINT rejectedDraws;      // draw calls refused for bad arguments or missing state
    DWORD behaviorFlags;     // the D3DCREATE_*_VERTEXPROCESSING flag the device was created with
    char renderer[64];       // the GL renderer string
    UINT glDraws;            // GL draw calls issued for them so far (a waiting batch is not sent
                             // by asking: these counts leave the device as it is)
    UINT programsLoaded;     // of the programs built, those read from the program store on disk
    BOOL programBinaries;    // the driver offers program binaries, so the store can keep programs
    UINT samples;            // samples a pixel is drawn with (0: no multisampling; the driver may
                             // offer fewer than asked, or none)
};
HRESULT QvGetDeviceStats(IDirect3DDevice9* device, QvDeviceStats* stats);
