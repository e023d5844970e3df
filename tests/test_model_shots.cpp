// model-shots draws every model through the engine on the real device: one run of the tool, then
// its pictures read back and checked for what must show in them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/png_file.h"

namespace {

// The tool's clear colour: a face missing from a model shows it.
const unsigned char kClear[3] = {0x40, 0x00, 0x40};

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;

    const unsigned char* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    bool IsClear(int x, int y) const {
        const unsigned char* p = At(x, y);
        return p[0] == kClear[0] && p[1] == kClear[1] && p[2] == kClear[2];
    }
    // Mean red, green and blue over the square of half-size `half` around the centre.
    std::vector<double> CentreMean(int half) const {
        std::vector<double> sum(3, 0.0);
        for (int y = height / 2 - half; y < height / 2 + half; ++y)
            for (int x = width / 2 - half; x < width / 2 + half; ++x)
                for (int c = 0; c < 3; ++c) sum[c] += At(x, y)[c];
        for (double& s : sum) s /= 4.0 * half * half;
        return sum;
    }
    int ClearPixelsNearCentre(int half) const {
        int count = 0;
        for (int y = height / 2 - half; y < height / 2 + half; ++y)
            for (int x = width / 2 - half; x < width / 2 + half; ++x) count += IsClear(x, y);
        return count;
    }
};

class ModelShots : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char dir[] = "/tmp/qv-model-shots-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        const std::string command = std::string(MODEL_SHOTS_EXE) + " " + dir_ + " >" + dir_ + "/out 2>&1";
        const int status = std::system(command.c_str());
        exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + dir_).c_str()); }

    static Picture Load(const std::string& name) {
        Picture picture;
        PngPixels png;
        EXPECT_TRUE(ReadPng(dir_ + "/" + name, &png, 3)) << name;
        picture.width = png.width;
        picture.height = png.height;
        picture.rgb = std::move(png.bytes);
        return picture;
    }

    static std::vector<std::string> CloseUps() {
        std::vector<std::string> names;
        for (const char* view : {"", "_tilted"}) {
            for (int i = 0; i < 6; ++i) names.push_back("lpice" + std::to_string(i) + view + ".png");
            for (int i = 0; i < 4; ++i)
                for (const char* yaw : {"_yaw0", "_yaw90"})
                    names.push_back("tank" + std::to_string(i) + yaw + view + ".png");
            names.push_back(std::string("bullet1") + view + ".png");
        }
        return names;
    }

    static std::string dir_;
    static int exitCode_;
};

std::string ModelShots::dir_;
int ModelShots::exitCode_ = -1;

}  // namespace

// Every close-up has its model over the centre of the back buffer, and the map fills the middle
// of its picture with the clear colour left only around it.
TEST_F(ModelShots, EveryPictureShowsItsModels) {
    ASSERT_EQ(exitCode_, 0) << "see " << dir_ << "/out";
    for (const std::string& name : CloseUps()) {
        Picture p = Load(name);
        ASSERT_EQ(p.width, 640) << name;
        ASSERT_EQ(p.height, 480) << name;
        EXPECT_EQ(p.ClearPixelsNearCentre(12), 0) << name;
    }
    // The tilted map narrows toward the top of the picture.
    for (auto [name, half] : {std::pair<const char*, int>{"map.png", 150}, {"map_tilted.png", 90}}) {
        Picture p = Load(name);
        ASSERT_EQ(p.width, 640) << name;
        EXPECT_EQ(p.ClearPixelsNearCentre(half), 0) << name;
        EXPECT_TRUE(p.IsClear(0, 0) && p.IsClear(639, 479)) << name;
    }
}

// Seen from above, a tank's middle is its turret: the hull's colour, textured and lit, must
// show through whichever way the tank is turned, and turning it must change the picture.
TEST_F(ModelShots, TanksShowTheirColourAtBothHeadings) {
    ASSERT_EQ(exitCode_, 0);
    // Index of the strongest channel and of one that must be weakest: yellow, red, blue, green.
    const int strongest[4] = {0, 0, 2, 1};
    const int weakest[4] = {2, 1, 0, 0};
    for (int i = 0; i < 4; ++i) {
        const std::string base = "tank" + std::to_string(i);
        Picture yaw0 = Load(base + "_yaw0.png");
        Picture yaw90 = Load(base + "_yaw90.png");
        ASSERT_FALSE(yaw0.rgb.empty() || yaw90.rgb.empty());
        for (const Picture* p : {&yaw0, &yaw90}) {
            std::vector<double> mean = p->CentreMean(8);
            EXPECT_GT(mean[strongest[i]], 150.0) << base;
            EXPECT_GT(mean[strongest[i]] - mean[weakest[i]], 80.0) << base;
        }
        EXPECT_NE(yaw0.rgb, yaw90.rgb) << base;
    }
}
