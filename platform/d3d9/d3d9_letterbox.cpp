#include "platform/d3d9/d3d9_letterbox.h"

#include <cstdint>

namespace qv::d3d {

ShownRect LetterboxRect(int windowWidth, int windowHeight, int pictureWidth, int pictureHeight)
{
    ShownRect r;
    if (windowWidth <= 0 || windowHeight <= 0 || pictureWidth <= 0 || pictureHeight <= 0)
        return r;
    // Compare the proportions crosswise in 64 bits, so no size can overflow or round the choice.
    const int64_t wide = int64_t(windowWidth) * pictureHeight, tall = int64_t(windowHeight) * pictureWidth;
    if (wide >= tall) { // bars left and right
        r.height = windowHeight;
        r.width = int(tall / pictureHeight);
    } else { // bars above and below
        r.width = windowWidth;
        r.height = int(wide / pictureWidth);
    }
    // A window too thin for even one row or column of the picture still shows one.
    if (r.width == 0)
        r.width = 1;
    if (r.height == 0)
        r.height = 1;
    r.x = (windowWidth - r.width) / 2;
    r.y = (windowHeight - r.height) / 2;
    return r;
}

} // namespace qv::d3d
