// How texels go to GL, and the array textures that small textures are layers of. Textures of
// one format, size and level count share a page: one GL array texture, a layer each, so that
// draws going from one of them to another bind nothing new and still go to GL as one.
#pragma once

#include "platform/d3d9/d3d9_formats.h"
#include "platform/d3d9/gl_api.h"

#include <memory>
#include <vector>

namespace qv::d3d {

class GlStateCache;

// How a level of `format` goes to GL: DXT blocks as they are when `compressed`, else decoded
// to RGBA8; other formats as their table entry says.
struct GlTexelLayout {
    GLint internal;
    GLenum format, type; // of the texels handed to GL
    bool blocks;         // handed over as DXT blocks
};
GlTexelLayout GlTexelLayoutOf(const FormatInfo& format, bool compressed);

// Gives a GL texture just made and bound to `target` its level range and the swizzle that
// makes `format` read as D3D reads it.
void SetUpGlTexture(GLenum target, const FormatInfo& format, UINT levels);

class GlTextureArrays {
public:
    struct Page {
        const FormatInfo* format;
        UINT width, height, levels;
        bool compressed;        // DXT blocks go to GL as they are (else decoded to RGBA8)
        std::vector<bool> used; // one per layer
        UINT inUse = 0;
        GLuint name = 0; // made when the page's first texture is drawn
    };

    // A page with a free layer for a texture of this shape, and the layer; null when the
    // texture is too large to share one.
    Page* Acquire(const FormatInfo& format, UINT width, UINT height, UINT levels, bool compressed, UINT* layer);
    // Frees the layer; the page's GL texture goes with its last layer when `glCurrent`.
    void Release(Page* page, UINT layer, GlStateCache& cache, bool glCurrent);

    // Binds the page's array texture on `unit`, making it, with storage for every layer, the
    // first time.
    void Bind(Page& page, int unit, GlStateCache& cache);
    // Uploads one level of one layer into the page bound on the active unit; `texels` as
    // GlTexelLayoutOf says, `bytes` long.
    void Upload(const Page& page, UINT layer, UINT level, const void* texels, size_t bytes);

private:
    std::vector<std::unique_ptr<Page>> pages_;
};

} // namespace qv::d3d
