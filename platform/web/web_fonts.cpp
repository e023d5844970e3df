// GDI's font look-up in the page is the table's.
#include "platform/web/font_table.h"

namespace qvgdi {

bool FindFontFile(const QvGdiFontRequest& request, FontFile* out) { return qvweb::FontFromTable(request, out); }

}  // namespace qvgdi
