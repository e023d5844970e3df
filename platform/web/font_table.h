// Font files in the page: no fontconfig, but the few faces the game asks for, shipped with the
// page under /fonts as the very files the Linux build's fontconfig finds for those names, so
// that FreeType rasterises the same glyphs. Plain C++: the native tests hold the table to
// fontconfig's answers.
#pragma once

#include "platform/gdi/gdi_font_files.h"

namespace qvweb {

bool FontFromTable(const QvGdiFontRequest& request, qvgdi::FontFile* out);

}  // namespace qvweb
