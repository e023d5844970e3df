// make-icon KEYS OUTDIR
//
// The game's icon, drawn by the engine: the replay harness plays the key script (with the
// frame time its dt= give, else 0.02 s), and the square around the player in its last frame is
// written as OUTDIR/quorvel-N.png for N = 256, 128, 64 and 32, each pixel the mean of the block
// it covers. Run from the directory that holds Models/; packaging/icon.keys is the picture of the
// installed icons.
#include <windows.h>
#include <qv_d3d9.h>
#include <qv_png.h>

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
const int kSizes[] = {256, 128, 64, 32};

// Block means of the crop, RGB, `size` x `size`; `size` divides kCropSize.
std::vector<unsigned char> Shrink(const std::vector<DWORD>& frame, UINT width, int size) {
    const int block = kCropSize / size;
    std::vector<unsigned char> rgb(static_cast<size_t>(size) * size * 3);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            unsigned sum[3] = {0, 0, 0};
            for (int by = 0; by < block; ++by) {
                for (int bx = 0; bx < block; ++bx) {
                    const DWORD c = frame[static_cast<size_t>(kCropTop + y * block + by) * width + kCropLeft +
                                          x * block + bx];
                    sum[0] += (c >> 16) & 0xFF;
                    sum[1] += (c >> 8) & 0xFF;
                    sum[2] += c & 0xFF;
                }
            }
            const unsigned count = static_cast<unsigned>(block * block);
            for (int i = 0; i < 3; ++i) {
                rgb[(static_cast<size_t>(y) * size + x) * 3 + i] = static_cast<unsigned char>((sum[i] + count / 2) / count);
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
    for (int size : kSizes) {
        const std::string path = std::string(argv[2]) + "/quorvel-" + std::to_string(size) + ".png";
        std::vector<unsigned char> rgb = Shrink(frame, width, size);
        if (!QvWritePng(path.c_str(), size, size, 3, rgb.data(), 9)) {
            std::fprintf(stderr, "make-icon: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("make-icon: %s\n", path.c_str());
    }
    return 0;
}
