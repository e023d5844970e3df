// The real Direct3D 9 device the fuzz targets load into: made once per process on SDL's
// offscreen driver, small, rendering on the calling thread so a report names our frames.
#pragma once

#include <d3d9.h>

// The device, or nullptr when none can be made here (the target then returns at once).
IDirect3DDevice9* FuzzDevice();

// Draw calls the device refused since it was made; a loader that hands the device bad ranges
// shows up here.
UINT FuzzDeviceRejectedDraws();
