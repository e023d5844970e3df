#include "qv_png.h"

#include <climits>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

bool QvWritePng(const char* path, int width, int height, int channels, const unsigned char* pixels,
                int compressionLevel)
{
    if (!path || !pixels || width <= 0 || height <= 0 || channels < 1 || channels > 4 || compressionLevel < 1 ||
        compressionLevel > 9 || width > INT_MAX / channels)
        return false;
    // stb keeps the level in a global; this file is its only user, and puts the default back.
    stbi_write_png_compression_level = compressionLevel;
    const bool written = stbi_write_png(path, width, height, channels, pixels, width * channels) != 0;
    stbi_write_png_compression_level = 8;
    return written;
}
