#include "platform/web/font_table.h"

#include <strings.h>

namespace qvweb {
namespace {

struct Entry {
    const char* face;  // the Windows name asked for
    bool bold;
    const char* file;
    const char* family;
    const char* style;
};

constexpr Entry kFonts[] = {
    {"Arial", false, "/fonts/LiberationSans-Regular.ttf", "Liberation Sans", "Regular"},
    {"Arial", true, "/fonts/LiberationSans-Bold.ttf", "Liberation Sans", "Bold"},
    {"Tahoma", false, "/fonts/tahoma.ttf", "Tahoma", "Regular"},
    {"Tahoma", true, "/fonts/tahomabd.ttf", "Tahoma", "Bold"},
};

}  // namespace

// A face the table does not know gets Arial's twin, as a sans-serif is what fontconfig falls
// back to on Linux. There are no italic files: italics are slanted by FreeType, as GDI slants
// a face that has none.
bool FontFromTable(const QvGdiFontRequest& request, qvgdi::FontFile* out)
{
    const bool bold = request.weight >= FW_SEMIBOLD;
    const char* face = "Arial";
    for (const Entry& e : kFonts) {
        if (strcasecmp(e.face, request.faceName.c_str()) == 0) face = e.face;
    }
    for (const Entry& e : kFonts) {
        if (strcasecmp(e.face, face) != 0 || e.bold != bold) continue;
        out->file = e.file;
        out->index = 0;
        out->family = e.family;
        out->style = e.style;
        out->bold = e.bold;
        out->italic = false;
        return true;
    }
    return false;
}

}  // namespace qvweb
