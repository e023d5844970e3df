// make-icon KEYS OUTDIR
//
// The game's icon, drawn by the engine: the replay harness plays the key script (with the
// frame time its dt= give, else 0.02 s), and the square around the player in its last frame is
// written as OUTDIR/quorvel-N.png for N = 256, 128, 64 and 32 (the installed icons), 512, 192
// and 180 (the page's and the home screen's), each pixel the mean of what it covers, and as
// quorvel-maskable-512.png, a wider square for masks that cut its corners. Run from the
// directory that holds Models/; packaging/icon.keys is the picture of the icons.
#include <windows.h>
#include <qv_d3d9.h>
#include <qv_png.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "render/device.h"
#include "session/key_script.h"
#include "session/replay.h"

namespace {

// The player's tank stands in the middle of the screen's width, a little above its middle.
const int kCropLeft = 192;
const int kCropTop = 60;
const int kCropSize = 256;

// A square of the frame and the icons cut from it. The installed icons are the 256 crop at
// whole fractions; the page's (its manifest, the home screen's) at the sizes browsers ask for.
// A maskable icon may lose everything outside the circle of 80% of its width, so its crop is
// wider by a quarter round the same centre and the 256 square keeps clear of the mask.
struct Icon {
    const char* name;
    int cropLeft, cropTop, cropSize, size;
};
const Icon kIcons[] = {
    {"quorvel-256", kCropLeft, kCropTop, kCropSize, 256},
    {"quorvel-128", kCropLeft, kCropTop, kCropSize, 128},
    {"quorvel-64", kCropLeft, kCropTop, kCropSize, 64},
    {"quorvel-32", kCropLeft, kCropTop, kCropSize, 32},
    {"quorvel-512", kCropLeft, kCropTop, kCropSize, 512},
    {"quorvel-192", kCropLeft, kCropTop, kCropSize, 192},
    {"quorvel-180", kCropLeft, kCropTop, kCropSize, 180},
    {"quorvel-maskable-512", kCropLeft - 32, kCropTop - 32, kCropSize + 64, 512},
};

// The crop at `size` x `size`, RGB: each pixel the mean of the part of the crop it covers,
// weighted by how much of each frame pixel lies in it (so a whole fraction is the plain block
// mean, and an enlargement repeats pixels, blending only where two meet).
std::vector<unsigned char> Resample(const std::vector<DWORD>& frame, UINT width, const Icon& icon) {
    // In units of 1/size of a frame pixel, output pixel o spans [o * crop, (o + 1) * crop) and
    // frame pixel i spans [i * size, (i + 1) * size).
    const long long crop = icon.cropSize;
    const long long size = icon.size;
    auto overlap = [&](long long out, long long in) {
        const long long lo = std::max(out * crop, in * size);
        const long long hi = std::min((out + 1) * crop, (in + 1) * size);
        return hi > lo ? hi - lo : 0;
    };
    std::vector<unsigned char> rgb(static_cast<size_t>(size * size * 3));
    const unsigned long long total = static_cast<unsigned long long>(crop * crop);
    for (long long y = 0; y < size; ++y) {
        for (long long x = 0; x < size; ++x) {
            unsigned long long sum[3] = {0, 0, 0};
            for (long long fy = y * crop / size; fy < icon.cropSize && fy * size < (y + 1) * crop; ++fy) {
                for (long long fx = x * crop / size; fx < icon.cropSize && fx * size < (x + 1) * crop; ++fx) {
                    const unsigned long long weight = static_cast<unsigned long long>(overlap(y, fy) * overlap(x, fx));
                    const DWORD c = frame[static_cast<size_t>(icon.cropTop + fy) * width + icon.cropLeft + fx];
                    sum[0] += weight * ((c >> 16) & 0xFF);
                    sum[1] += weight * ((c >> 8) & 0xFF);
                    sum[2] += weight * (c & 0xFF);
                }
            }
            for (int i = 0; i < 3; ++i) {
                rgb[static_cast<size_t>((y * size + x) * 3 + i)] = static_cast<unsigned char>((sum[i] + total / 2) / total);
            }
        }
    }
    return rgb;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-icon KEYS OUTDIR (run where Models/ is)\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    session::KeyScript script;
    std::string error;
    if (!in || !script.Parse(in, &error) || script.LastFrame() == 0) {
        std::fprintf(stderr, "make-icon: %s: %s\n", argv[1], in ? error.c_str() : "cannot open it");
        return 2;
    }

    session::Options options;
    options.keysPath = argv[1];
    options.frames = script.LastFrame();
    options.framesGiven = true;
    options.frameTime = 0.02;
    options.uncapped = true;
    std::vector<DWORD> frame;
    UINT width = 0;
    UINT height = 0;
    options.afterFrame = [&](long long number) {
        if (number != options.frames) return;
        QvReadBackBuffer(g_pd3dDevice, QV_BACKBUFFER_PRESENTED, nullptr, 0, &width, &height);
        frame.resize(static_cast<size_t>(width) * height);
        if (FAILED(QvReadBackBuffer(g_pd3dDevice, QV_BACKBUFFER_PRESENTED, frame.data(),
                                    static_cast<UINT>(frame.size()), &width, &height))) {
            frame.clear();
        }
    };
    const int code = session::Run(options);
    if (code != 0) return code;
    if (width < static_cast<UINT>(kCropLeft + kCropSize) || height < static_cast<UINT>(kCropTop + kCropSize) ||
        frame.size() != static_cast<size_t>(width) * height) {
        std::fprintf(stderr, "make-icon: no %dx%d picture to crop from\n", kCropLeft + kCropSize, kCropTop + kCropSize);
        return 1;
    }
    for (const Icon& icon : kIcons) {
        const std::string path = std::string(argv[2]) + "/" + icon.name + ".png";
        std::vector<unsigned char> rgb = Resample(frame, width, icon);
        if (!QvWritePng(path.c_str(), icon.size, icon.size, 3, rgb.data(), 9)) {
            std::fprintf(stderr, "make-icon: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("make-icon: %s\n", path.c_str());
    }
    return 0;
}
