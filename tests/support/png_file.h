// PNG files read back by the suites that check what a writer wrote.
#pragma once

#include <string>
#include <vector>

struct PngPixels {
    int width = 0, height = 0;
    int channels = 0;                 // bytes a pixel in `bytes`
    std::vector<unsigned char> bytes; // rows top first, tightly packed
};

// Reads the PNG at `path`. `channels` 0 keeps the file's own channel count; 1 to 4 converts to
// that many. False when the file cannot be read or decoded.
bool ReadPng(const std::string& path, PngPixels* out, int channels = 0);
