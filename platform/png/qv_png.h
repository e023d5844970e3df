// Writing PNG files: the one PNG writer of the platform, its tools and the model generator.
#pragma once

// Writes `width` x `height` pixels of `channels` bytes each (1 grey, 2 grey and alpha, 3 RGB,
// 4 RGBA), rows top first and tightly packed, as a PNG at `path`. `compressionLevel` is zlib's,
// 1 to 9: higher writes a smaller file, more slowly. Returns false for bad arguments or when the
// file cannot be written.
bool QvWritePng(const char* path, int width, int height, int channels, const unsigned char* pixels,
                int compressionLevel = 8);
