// A texture font's glyph atlas from the page, to hold it to the Linux build's (font-atlas):
// ?atlas=FACE&points=N builds it as the engine builds its fonts, on a device of its own over the
// canvas, and writes one console line, "atlas FACE N WxH data:image/png;base64,...", the PNG
// holding the atlas's coverage as grey (ReadAtlasCoverage).
#pragma once

#include "programs/web/page_query.h"

namespace webpage {

// 0 once the line is written; 1, with a message box saying why, when there is no device, the
// atlas cannot be built or its picture cannot be made.
int RunAtlas(const PageRequest& request);

}  // namespace webpage
