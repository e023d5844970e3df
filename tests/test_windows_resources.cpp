// quorvel.exe's resources as Windows reads them: an icon group with 16, 32, 48 and 256 pixel
// images that the system turns into icons of those sizes (the 256 one PNG-compressed), and
// version information naming the product and its version.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

class QuorvelExe : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryExA(QV_GAME_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << QV_GAME_EXE << ": error " << GetLastError();
    }
    void TearDown() override
    {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    // The resource's bytes, or an empty vector when the module has none of that type and name.
    std::vector<BYTE> Resource(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceA(module_, name, type);
        if (found == nullptr) return {};
        HGLOBAL loaded = LoadResource(module_, found);
        auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
        return bytes != nullptr ? std::vector<BYTE>(bytes, bytes + SizeofResource(module_, found)) : std::vector<BYTE>();
    }

    HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupEntry {  // GRPICONDIRENTRY
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(QuorvelExe, IconGroupHoldsFourSizesTheSystemLoads)
{
    std::vector<BYTE> group = Resource(MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEA(1));
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(&group[4]);
    ASSERT_EQ(group.size(), 6u + count * sizeof(GroupEntry));
    std::vector<int> sides;
    for (WORD i = 0; i < count; ++i) {
        GroupEntry entry;
        memcpy(&entry, &group[6 + i * sizeof entry], sizeof entry);
        const int side = entry.width != 0 ? entry.width : 256;
        sides.push_back(side);
        EXPECT_EQ(entry.bitCount, 32);

        std::vector<BYTE> image = Resource(MAKEINTRESOURCEA(3) /* RT_ICON */, MAKEINTRESOURCEA(entry.id));
        ASSERT_EQ(image.size(), entry.bytes) << side;
        // Windows keeps its 256 pixel icons PNG-compressed; the small ones are bitmaps every
        // version reads.
        const bool png = image.size() > 8 && memcmp(image.data(), "\x89PNG\r\n\x1a\n", 8) == 0;
        EXPECT_EQ(png, side == 256) << side;

        // The group's choice for this size is this image, and the system makes an icon of it.
        EXPECT_EQ(LookupIconIdFromDirectoryEx(group.data(), TRUE, side, side, LR_DEFAULTCOLOR), entry.id) << side;
        HICON icon = CreateIconFromResourceEx(image.data(), DWORD(image.size()), TRUE, 0x00030000, side, side,
                                              LR_DEFAULTCOLOR);
        ASSERT_NE(icon, nullptr) << side;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info)) << side;
        BITMAP colour = {};
        ASSERT_NE(GetObjectA(info.hbmColor, sizeof colour, &colour), 0) << side;
        EXPECT_EQ(colour.bmWidth, side);
        EXPECT_EQ(colour.bmHeight, side);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
    EXPECT_EQ(sides, (std::vector<int>{16, 32, 48, 256}));
}

TEST_F(QuorvelExe, VersionInformationNamesTheProductAndItsVersion)
{
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeA(QV_GAME_EXE, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(GetFileVersionInfoA(QV_GAME_EXE, 0, DWORD(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof *fixed);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, DWORD(QV_VERSION_MAJOR) << 16 | QV_VERSION_MINOR);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));

    auto text = [&](const char* name) {
        char* value = nullptr;
        UINT chars = 0;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        if (!VerQueryValueA(block.data(), path.c_str(), reinterpret_cast<void**>(&value), &chars) || value == nullptr)
            return std::string("(none)");
        return std::string(value);
    };
    EXPECT_EQ(text("ProductName"), "Quorvel");
    EXPECT_EQ(text("ProductVersion"), QV_VERSION);
    EXPECT_EQ(text("FileVersion"), QV_VERSION);
    EXPECT_EQ(text("OriginalFilename"), "quorvel.exe");
}

}  // namespace
