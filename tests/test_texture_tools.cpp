// texture-info and mesh-info, run as a player would run them on the game's own assets and on
// files that fail: one line per file, and an exit code that says whether any failed.
#include "test_texture_support.h"

#include <sys/wait.h>

#include <cstdio>

using namespace textest;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
};

ToolRun Tool(const char* exe, const std::string& args) {
    ToolRun r;
    FILE* p = popen((std::string(exe) + " " + args + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (std::fgets(buf, sizeof buf, p)) r.out += buf;
    const int raw = pclose(p);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

bool Has(const ToolRun& r, const std::string& text) { return r.out.find(text) != std::string::npos; }

}  // namespace

TEST(TextureTools, TextureInfoSaysHowTheDeviceHoldsEachFile) {
    const std::string bad = WriteScratch("volume.dds", DdsFile([] {
        DdsHeader h = FourCC("DXT1", 4, 4);
        h.caps2 = 0x200000;
        return h;
    }(), Bytes(16)));
    ToolRun r = Tool(TEXTURE_INFO_EXE, "Models/fontN.dds Models/brick.bmp");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "Models/fontN.dds: OK 256x256 DXT1 9 (file: DDS DXT1 256x256, 9 levels)")) << r.out;
    EXPECT_TRUE(Has(r, "Models/brick.bmp: OK 64x64 X8R8G8B8 7 (file: BMP R8G8B8 64x64, 1 level)")) << r.out;
    r = Tool(TEXTURE_INFO_EXE, "Models/brick.bmp " + bad + " Models/none.png");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r, "volume.dds: FAIL D3DXERR_INVALIDDATA")) << r.out;
    EXPECT_TRUE(Has(r, "Models/none.png: FAIL no such file")) << r.out;
}

TEST(TextureTools, MeshInfoListsSubsetsWithTheirTextures) {
    ToolRun r = Tool(MESH_INFO_EXE, "Models/tank0.x");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(Has(r, "Models/tank0.x: OK 168 faces, 292 vertices, FVF 0x112, 2 subsets")) << r.out;
    EXPECT_TRUE(Has(r, "  subset 0: 76 faces, diffuse 0.646 0.522 0.172 1.000")) << r.out;
    EXPECT_TRUE(Has(r, "texture track.bmp (Models/track.bmp): OK 64x64 X8R8G8B8 7")) << r.out;

    // A copy beside which its textures are missing, and a file that is not an X file.
    const std::string dir = ScratchDir();
    const std::string copy = WriteScratch("tank.x", ReadAll("Models/tank0.x"));
    const std::string junk = WriteScratch("junk.x", Bytes(40, 'x'));
    r = Tool(MESH_INFO_EXE, copy + " " + junk);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(Has(r, "texture tank.bmp: FAIL no such file")) << r.out;
    EXPECT_TRUE(Has(r, "junk.x: FAIL D3DXERR_INVALIDDATA")) << r.out;
}
