// Where a font request's typeface lives: fontconfig's answer on Linux (gdi_fontconfig.cpp), a
// small table of the fonts shipped with the page on the web (platform/web).
#pragma once

#include <qv_gdi.h>

#include <string>

namespace qvgdi {

struct FontFile {
    std::string file;
    int index = 0;  // the face within the file
    std::string family;
    std::string style;
    // What the file's face is, so that what it lacks of the request can be synthesised.
    bool bold = false;
    bool italic = false;
};

// False when no typeface can be found for the request.
bool FindFontFile(const QvGdiFontRequest& request, FontFile* out);

}  // namespace qvgdi
