// The page's font table names the very files fontconfig finds for the game's faces on Linux,
// regular and bold: the same file is what makes the page's atlases the same as Linux's.
#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/gdi_font_files.h"
#include "platform/web/font_table.h"

namespace {

std::string Base(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

TEST(WebFonts, TheTableShipsTheFilesFontconfigFinds)
{
    for (const char* face : {"Arial", "Tahoma"}) {
        for (int weight : {FW_NORMAL, FW_BOLD}) {
            QvGdiFontRequest request;
            request.faceName = face;
            request.weight = weight;
            request.height = -14;
            qvgdi::FontFile native, page;
            ASSERT_TRUE(qvgdi::FindFontFile(request, &native)) << face;
            ASSERT_TRUE(qvweb::FontFromTable(request, &page)) << face;
            EXPECT_EQ(Base(page.file), Base(native.file)) << face << " " << weight;
            EXPECT_EQ(page.bold, native.bold) << face << " " << weight;
            EXPECT_EQ(page.file, "/fonts/" + Base(page.file));
        }
    }
    // Windows compares face names without regard to case; an unknown face gets Arial's twin.
    QvGdiFontRequest request;
    request.faceName = "tAHOMA";
    qvgdi::FontFile page;
    ASSERT_TRUE(qvweb::FontFromTable(request, &page));
    EXPECT_EQ(page.family, "Tahoma");
    request.faceName = "No Such Face";
    ASSERT_TRUE(qvweb::FontFromTable(request, &page));
    EXPECT_EQ(page.family, "Liberation Sans");
}

}  // namespace
