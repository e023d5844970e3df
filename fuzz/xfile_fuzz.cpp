// libFuzzer entry for the X-file reader: any bytes in, a result out, and never a crash, a read
// past the data or an allocation the data cannot back.
#include "gfxutil/xfile/xfile_scene.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    xfile::MeshData mesh;
    const HRESULT hr = xfile::LoadMeshData(data, size, mesh);
    if (SUCCEEDED(hr)) {
        // What a loaded mesh promises its drawer: indices and ranges inside their arrays.
        for (uint32_t index : mesh.indices) {
            if (index >= mesh.vertices.size()) __builtin_trap();
        }
        for (const D3DXATTRIBUTERANGE& r : mesh.ranges) {
            if (r.AttribId >= mesh.materials.size() || r.FaceStart + r.FaceCount > mesh.attributes.size())
                __builtin_trap();
        }
    }
    return 0;
}
