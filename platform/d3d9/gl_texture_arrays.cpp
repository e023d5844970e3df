#include "platform/d3d9/gl_texture_arrays.h"

#include "platform/d3d9/gl_state_cache.h"

#include <algorithm>

namespace qv::d3d {

using namespace qv::gl;

namespace {

// An array texture holds at most this many layers, and about this many bytes of GL's storage:
// 64 x 64 A8R8G8B8 textures with their mips go 48 to a page, 256 x 256 ones 3, 256 x 256 DXT1
// ones 23; from 512 x 512 A8R8G8B8 up a texture is left alone.
constexpr UINT kMaxLayers = 64;
constexpr size_t kPageBytes = size_t(1) << 20;

} // namespace

GlTexelLayout GlTexelLayoutOf(const FormatInfo& format, bool compressed)
{
    // ES takes every plain format as RGBA8, converted on upload (ExpandToRgba8).
    if ((IsCompressed(format) && !compressed) || (es && !IsCompressed(format)))
        return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, false};
    return {GLint(format.internalFormat), format.glFormat, format.glType, IsCompressed(format)};
}

void SetUpGlTexture(GLenum target, const FormatInfo& format, UINT levels)
{
    glTexParameteri(target, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(target, GL_TEXTURE_MAX_LEVEL, GLint(levels) - 1);
    if (es)
        return; // WebGL has no swizzle: the texels are converted with theirs instead
    glTexParameteri(target, GL_TEXTURE_SWIZZLE_R, format.swizzle[0]);
    glTexParameteri(target, GL_TEXTURE_SWIZZLE_G, format.swizzle[1]);
    glTexParameteri(target, GL_TEXTURE_SWIZZLE_B, format.swizzle[2]);
    glTexParameteri(target, GL_TEXTURE_SWIZZLE_A, format.swizzle[3]);
}

GlTextureArrays::Page* GlTextureArrays::Acquire(const FormatInfo& format, UINT width, UINT height, UINT levels,
                                                bool compressed, UINT* layer)
{
    compressed = compressed && IsCompressed(format);
    // Decoded or (ES) converted to 4 bytes a texel.
    const bool decoded = (IsCompressed(format) && !compressed) || (es && !IsCompressed(format));
    size_t layerBytes = 0;
    for (UINT i = 0; i < levels; ++i) {
        const UINT w = std::max(1u, width >> i), h = std::max(1u, height >> i);
        layerBytes += decoded ? size_t(w) * h * 4 : LevelBytes(format, w, h);
    }
    const UINT capacity = UINT(std::min<size_t>(kMaxLayers, kPageBytes / layerBytes));
    if (capacity < 2)
        return nullptr;
    Page* page = nullptr;
    for (auto& p : pages_) {
        if (p->format == &format && p->width == width && p->height == height && p->levels == levels &&
            p->compressed == compressed && p->inUse < p->used.size()) {
            page = p.get();
            break;
        }
    }
    if (!page) {
        pages_.push_back(
            std::make_unique<Page>(Page{&format, width, height, levels, compressed, std::vector<bool>(capacity)}));
        page = pages_.back().get();
    }
    const auto free = std::find(page->used.begin(), page->used.end(), false);
    *layer = UINT(free - page->used.begin());
    *free = true;
    ++page->inUse;
    return page;
}

void GlTextureArrays::Release(Page* page, UINT layer, GlStateCache& cache, bool glCurrent)
{
    page->used[layer] = false;
    if (--page->inUse)
        return;
    if (page->name && glCurrent) {
        cache.ForgetTexture(page->name);
        glDeleteTextures(1, &page->name);
    }
    pages_.erase(std::find_if(pages_.begin(), pages_.end(), [&](const auto& p) { return p.get() == page; }));
}

void GlTextureArrays::Bind(Page& page, int unit, GlStateCache& cache)
{
    const bool made = page.name == 0;
    if (made)
        glGenTextures(1, &page.name);
    cache.BindArrayTexture(unit, page.name);
    if (!made)
        return;
    SetUpGlTexture(GL_TEXTURE_2D_ARRAY, *page.format, page.levels);
    const GlTexelLayout gl = GlTexelLayoutOf(*page.format, page.compressed);
    const auto layers = GLsizei(page.used.size());
    for (UINT i = 0; i < page.levels; ++i) {
        const UINT w = std::max(1u, page.width >> i), h = std::max(1u, page.height >> i);
        if (gl.blocks)
            glCompressedTexImage3D(GL_TEXTURE_2D_ARRAY, GLint(i), GLenum(gl.internal), GLsizei(w), GLsizei(h), layers,
                                   0, GLsizei(LevelBytes(*page.format, w, h)) * layers, nullptr);
        else
            glTexImage3D(GL_TEXTURE_2D_ARRAY, GLint(i), gl.internal, GLsizei(w), GLsizei(h), layers, 0, gl.format,
                         gl.type, nullptr);
    }
}

void GlTextureArrays::Upload(const Page& page, UINT layer, UINT level, const void* texels, size_t bytes)
{
    const GLsizei w = GLsizei(std::max(1u, page.width >> level)), h = GLsizei(std::max(1u, page.height >> level));
    const GlTexelLayout gl = GlTexelLayoutOf(*page.format, page.compressed);
    if (gl.blocks)
        glCompressedTexSubImage3D(GL_TEXTURE_2D_ARRAY, GLint(level), 0, 0, GLint(layer), w, h, 1, GLenum(gl.internal),
                                  GLsizei(bytes), texels);
    else
        glTexSubImage3D(GL_TEXTURE_2D_ARRAY, GLint(level), 0, 0, GLint(layer), w, h, 1, gl.format, gl.type, texels);
}

} // namespace qv::d3d
