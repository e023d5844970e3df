#include "support/png_file.h"

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image.h>
#pragma GCC diagnostic pop

bool ReadPng(const std::string& path, PngPixels* out, int channels)
{
    *out = PngPixels{};
    int fileChannels = 0;
    unsigned char* data = stbi_load(path.c_str(), &out->width, &out->height, &fileChannels, channels);
    if (!data)
        return false;
    out->channels = channels ? channels : fileChannels;
    out->bytes.assign(data, data + size_t(out->width) * out->height * out->channels);
    stbi_image_free(data);
    return true;
}
