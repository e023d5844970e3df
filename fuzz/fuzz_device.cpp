#include "fuzz/fuzz_device.h"

#include <qv_d3d9.h>

#include <cstdlib>

IDirect3DDevice9* FuzzDevice()
{
    static IDirect3DDevice9* device = [] {
        // Mesa's worker threads and shader cache would race LeakSanitizer at exit and make
        // every input slower; one thread, no disk.
        setenv("LP_NUM_THREADS", "0", 1);
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 64);
        IDirect3D9* d3d = nullptr;
        IDirect3DDevice9* made = nullptr;
        if (FAILED(QvCreateStandaloneDevice(&pp, D3DCREATE_MIXED_VERTEXPROCESSING, &d3d, &made))) return
            static_cast<IDirect3DDevice9*>(nullptr);
        return made;  // both objects live until the process ends
    }();
    return device;
}

UINT FuzzDeviceRejectedDraws()
{
    QvDeviceStats stats{};
    if (!FuzzDevice() || FAILED(QvGetDeviceStats(FuzzDevice(), &stats))) return 0;
    return stats.rejectedDraws;
}
