#include "gfxutil/codecs/image_source.h"

#include "gfxutil/codecs/image_decode.h"
#include "gfxutil/codecs/image_file.h"
#include "gfxutil/texels/image_format.h"

namespace codecs {

using namespace texels;

bool SourceImage::TopLevelArgb(ArgbImage* out) const
{
    if (stored.empty()) {
        *out = picture;
        return !picture.pixels.empty();
    }
    return DecodeLevel(format, stored[0], width, height, out);
}

HRESULT LoadSourceImage(const char* path, SourceImage* out)
{
    std::vector<uint8_t> bytes;
    HRESULT hr = ReadImageFile(path, &bytes);
    if (FAILED(hr)) return hr;
    SourceImage src;
    hr = LoadSourceImage(ByteView(bytes), &src);
    if (FAILED(hr)) return hr;
    // Stored DDS levels view the file. Moving the vector keeps its buffer, so they stay valid;
    // the other formats were decoded into `picture` and the file can go.
    if (!src.stored.empty()) src.fileBytes = std::move(bytes);
    *out = std::move(src);
    return S_OK;
}

HRESULT LoadSourceImage(ByteView file, SourceImage* out)
{
    if (file.empty()) return D3DXERR_INVALIDDATA;
    SourceImage src;
    HRESULT hr;
    src.info.Depth = 1;
    src.info.ResourceType = D3DRTYPE_TEXTURE;
    if (LooksLikeDds(file)) {
        hr = ReadDds(file, &src.dds);
        if (FAILED(hr)) return hr;
        src.format = src.dds.format;
        src.width = src.dds.width;
        src.height = src.dds.height;
        src.stored = src.dds.levels;
        src.info.Format = src.dds.fileFormat;
        src.info.MipLevels = UINT(src.stored.size());
        src.info.ImageFileFormat = D3DXIFF_DDS;
        src.info.ResourceType = src.dds.resourceType;
    } else {
        DecodedImage decoded;
        hr = DecodeImage(file, &decoded);
        if (FAILED(hr)) return hr;
        src.format = decoded.loadFormat;
        src.width = decoded.argb.width;
        src.height = decoded.argb.height;
        src.picture = std::move(decoded.argb);
        src.info.Format = decoded.fileFormat;
        src.info.MipLevels = 1;
        src.info.ImageFileFormat = decoded.fileKind;
    }
    src.info.Width = src.width;
    src.info.Height = src.height;
    *out = std::move(src);
    return S_OK;
}

}  // namespace codecs
