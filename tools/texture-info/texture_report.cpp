#include "tools/texture-info/texture_report.h"

#include "base/win_path.h"

#include <d3dx9tex.h>
#include <qv_d3d9.h>
#include <qv_win32.h>

#include <cstdarg>
#include <cstdio>
#include <filesystem>

namespace assetinfo {
namespace {

const char* FileKindName(D3DXIMAGE_FILEFORMAT kind) {
    switch (kind) {
        case D3DXIFF_BMP: return "BMP";
        case D3DXIFF_JPG: return "JPEG";
        case D3DXIFF_TGA: return "TGA";
        case D3DXIFF_PNG: return "PNG";
        case D3DXIFF_DDS: return "DDS";
        case D3DXIFF_PPM: return "PPM";
        case D3DXIFF_DIB: return "DIB";
        case D3DXIFF_HDR: return "HDR";
        case D3DXIFF_PFM: return "PFM";
        default: return "?";
    }
}

const char* ResourceName(D3DRESOURCETYPE type) {
    switch (type) {
        case D3DRTYPE_CUBETEXTURE: return " cube map, first face";
        case D3DRTYPE_VOLUMETEXTURE: return " volume";
        default: return "";
    }
}

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

}  // namespace

int RunOnFiles(int argc, char** argv, const char* tool, const char* usage,
               bool (*report)(IDirect3DDevice9* device, const char* path)) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s\n", usage);
        return 2;
    }
    QvUseOffscreenVideoWithoutDisplay();
    D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 64);
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    const HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device);
    if (FAILED(hr)) {
        std::fprintf(stderr, "%s: no Direct3D device (0x%08X)\n", tool, unsigned(hr));
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i)
        if (!report(device, argv[i])) status = 1;
    device->Release();
    d3d->Release();
    return status;
}

bool IsFile(const char* path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(base::NativePath(path), ec);
}

std::string FormatName(D3DFORMAT format) {
    switch (format) {
#define QV_NAME(f) \
    case D3DFMT_##f: return #f;
        QV_NAME(R8G8B8) QV_NAME(A8R8G8B8) QV_NAME(X8R8G8B8) QV_NAME(R5G6B5) QV_NAME(X1R5G5B5)
        QV_NAME(A1R5G5B5) QV_NAME(A4R4G4B4) QV_NAME(R3G3B2) QV_NAME(A8) QV_NAME(X4R4G4B4)
        QV_NAME(A2B10G10R10) QV_NAME(A8B8G8R8) QV_NAME(X8B8G8R8) QV_NAME(G16R16)
        QV_NAME(A2R10G10B10) QV_NAME(A16B16G16R16) QV_NAME(A8P8) QV_NAME(P8) QV_NAME(L8)
        QV_NAME(A8L8) QV_NAME(A4L4) QV_NAME(L16) QV_NAME(R16F) QV_NAME(G16R16F)
        QV_NAME(A16B16G16R16F) QV_NAME(R32F) QV_NAME(G32R32F) QV_NAME(A32B32G32R32F)
        QV_NAME(DXT1) QV_NAME(DXT2) QV_NAME(DXT3) QV_NAME(DXT4) QV_NAME(DXT5)
#undef QV_NAME
        default: return Printf("format %u", unsigned(format));
    }
}

std::string FailureReason(HRESULT hr) {
    switch (hr) {
        case D3DXERR_INVALIDDATA:
            return "D3DXERR_INVALIDDATA: not an image D3DX reads, or a damaged one";
        case D3DERR_NOTAVAILABLE: return "D3DERR_NOTAVAILABLE: the device has no such format";
        case D3DERR_INVALIDCALL: return "D3DERR_INVALIDCALL: too large for the device";
        case D3DERR_OUTOFVIDEOMEMORY:
        case E_OUTOFMEMORY: return "out of memory";
        default: return Printf("error 0x%08X", unsigned(hr));
    }
}

bool DescribeTexture(IDirect3DDevice9* device, const char* path, std::string* line) {
    if (!IsFile(path)) {
        *line = "FAIL no such file";
        return false;
    }
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    const HRESULT hr = D3DXCreateTextureFromFileExA(
        device, path, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
        D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture);
    if (FAILED(hr)) {
        *line = "FAIL " + FailureReason(hr);
        return false;
    }
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    *line = Printf("OK %ux%u %s %u (file: %s %s %ux%u, %u level%s%s)", desc.Width, desc.Height,
                   FormatName(desc.Format).c_str(), unsigned(texture->GetLevelCount()),
                   FileKindName(info.ImageFileFormat), FormatName(info.Format).c_str(), info.Width,
                   info.Height, info.MipLevels, info.MipLevels == 1 ? "" : "s",
                   ResourceName(info.ResourceType));
    texture->Release();
    return true;
}

}  // namespace assetinfo
