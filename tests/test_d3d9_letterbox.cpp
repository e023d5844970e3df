// Where Present shows a back buffer in a client area of any size, without a GL context.
#include "platform/d3d9/d3d9_letterbox.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

namespace {

using qv::d3d::LetterboxRect;
using qv::d3d::ShownRect;

struct Case {
    int windowWidth, windowHeight;
    ShownRect want;
};

TEST(D3D9Letterbox, ShowsTheLargestCentredRectangleOfThePicturesShape)
{
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},        // the game's own window: the picture as it is
        {1280, 960, {0, 0, 1280, 960}},      // a whole multiple
        {1920, 1080, {240, 0, 1440, 1080}},  // wide: bars left and right
        {3840, 2160, {480, 0, 2880, 2160}},
        {2560, 1600, {213, 0, 2133, 1600}},  // a bar's odd pixel goes right
        {480, 640, {0, 140, 480, 360}},      // tall: bars above and below
        {1080, 2400, {0, 795, 1080, 810}},   // a phone held upright
        {641, 481, {0, 0, 641, 480}},        // odd: one column left over, to the right
        {643, 480, {1, 0, 640, 480}},
        {320, 240, {0, 0, 320, 240}},        // smaller than the picture
        {300, 100, {83, 0, 133, 100}},
        {100, 300, {0, 112, 100, 75}},
        {1, 1, {0, 0, 1, 1}},                // too thin for the shape: still one pixel
        {5000, 1, {2499, 0, 1, 1}},
        {1, 5000, {0, 2499, 1, 1}},
    };
    for (const Case& c : cases) {
        const ShownRect r = LetterboxRect(c.windowWidth, c.windowHeight, 640, 480);
        SCOPED_TRACE(testing::Message() << c.windowWidth << " x " << c.windowHeight);
        EXPECT_EQ(r.x, c.want.x);
        EXPECT_EQ(r.y, c.want.y);
        EXPECT_EQ(r.width, c.want.width);
        EXPECT_EQ(r.height, c.want.height);
    }
}

TEST(D3D9Letterbox, FitsInsideTouchesTwoSidesAndKeepsTheShapeForEverySize)
{
    // Every client size up to 700 x 700 in steps that hit odd and even sizes, and a few huge ones.
    for (int w = 1; w <= 700; w += 7)
        for (int h = 1; h <= 700; h += 3) {
            const ShownRect r = LetterboxRect(w, h, 640, 480);
            ASSERT_GE(r.x, 0);
            ASSERT_GE(r.y, 0);
            ASSERT_LE(r.x + r.width, w);
            ASSERT_LE(r.y + r.height, h);
            // Centred to the pixel: the bars on either side differ by at most one.
            ASSERT_LE(std::abs((w - r.x - r.width) - r.x), 1) << w << " x " << h;
            ASSERT_LE(std::abs((h - r.y - r.height) - r.y), 1) << w << " x " << h;
            ASSERT_TRUE(r.width == w || r.height == h) << w << " x " << h;
            // Within a pixel of 4:3 on the side that was cut.
            ASSERT_LE(std::abs(int64_t(r.width) * 3 - int64_t(r.height) * 4), 4) << w << " x " << h;
        }
    const ShownRect huge = LetterboxRect(2000000000, 1000000000, 640, 480);
    EXPECT_EQ(huge.width, 1333333333);
    EXPECT_EQ(huge.height, 1000000000);
}

TEST(D3D9Letterbox, NothingIsShownWithoutAWindowOrAPicture)
{
    for (const int bad : {0, -1}) {
        EXPECT_EQ(LetterboxRect(bad, 480, 640, 480).width, 0);
        EXPECT_EQ(LetterboxRect(640, bad, 640, 480).height, 0);
        EXPECT_EQ(LetterboxRect(640, 480, bad, 480).width, 0);
        EXPECT_EQ(LetterboxRect(640, 480, 640, bad).height, 0);
    }
}

} // namespace
