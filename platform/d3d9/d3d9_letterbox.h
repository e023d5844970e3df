// Where a picture goes in a window of another shape: the largest rectangle of the picture's
// proportions that fits, centred, with bars on the two sides it does not reach. Present shows a
// back buffer there when the caller names no destination, as Direct3D 9 stretches a windowed
// back buffer over its window, but keeping the picture's shape.
#pragma once

namespace qv::d3d {

struct ShownRect {
    int x = 0, y = 0;          // top-left corner, in the window's pixels from its top-left
    int width = 0, height = 0; // 0 x 0 when either size given is not positive
};

// The rectangle inside a `windowWidth` x `windowHeight` client area that shows a `pictureWidth` x
// `pictureHeight` picture. A bar's odd pixel goes below or to the right.
ShownRect LetterboxRect(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight);

} // namespace qv::d3d
