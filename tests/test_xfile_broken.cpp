// Broken, truncated and hostile X files: every one is refused with a negative result, without
// reading past the data or sizing anything from a count the data cannot back (the sanitizer
// build turns either into a failure here).
#include "test_xfile_util.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <sstream>

namespace {

std::vector<std::string> BrokenCorpus()
{
    std::vector<std::string> names;
    const std::string dir = std::string(kXDataDir) + "broken";
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 2 && name.compare(name.size() - 2, 2, ".x") == 0) names.push_back(dir + "/" + name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const char* const kGoodFiles[] = {"shape.x", "shape_bin.x", "shape_tzip.x", "shape_bzip.x", "shape_bin64.x",
                                  "frames.x", "frames_bin.x", "frames_bzip.x"};

TEST(XFileBroken, CorpusIsRefused)
{
    const std::vector<std::string> corpus = BrokenCorpus();
    ASSERT_GE(corpus.size(), 30u);
    for (const std::string& path : corpus) {
        xfile::MeshData m;
        const HRESULT hr = LoadBytes(ReadBytes(path), m);
        const HRESULT expected = path.find("no_mesh") != std::string::npos ? E_FAIL : D3DXERR_INVALIDDATA;
        EXPECT_EQ(expected, hr) << path;
        EXPECT_TRUE(m.vertices.empty() && m.materials.empty()) << path;
    }
}

TEST(XFileBroken, EveryTruncationIsRefused)
{
    // shape.x holds one mesh, last in the file: every cut loses part of it.
    for (const char* name : {"shape.x", "shape_bin.x", "shape_tzip.x", "shape_bzip.x", "shape_bin64.x"}) {
        const std::vector<uint8_t> whole = ReadBytes(std::string(kXDataDir) + name);
        ASSERT_FALSE(whole.empty()) << name;
        // A text file is complete once its last brace is in; anything shorter is cut.
        size_t complete = whole.size();
        if (std::string(name).find('_') == std::string::npos)
            complete = size_t(std::find(whole.rbegin(), whole.rend(), '}').base() - whole.begin());
        for (size_t n = 0; n < complete; ++n) {
            const std::vector<uint8_t> cut(whole.begin(), whole.begin() + n);
            xfile::MeshData m;
            EXPECT_TRUE(FAILED(LoadBytes(cut, m))) << name << " cut to " << n;
        }
    }
}

TEST(XFileBroken, RandomDamageNeverCrashes)
{
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (const char* name : kGoodFiles) {
        const std::vector<uint8_t> whole = ReadBytes(std::string(kXDataDir) + name);
        for (int round = 0; round < 300; ++round) {
            std::vector<uint8_t> bytes = whole;
            const int edits = 1 + int(next() % 4);
            for (int e = 0; e < edits; ++e) {
                const size_t at = 16 + next() % (bytes.size() - 16);
                switch (next() % 3) {
                case 0: bytes[at] = uint8_t(next() >> 24); break;
                case 1: bytes[at] ^= uint8_t(1u << (next() % 8)); break;
                default: bytes[at] = 0xFF; break;
                }
            }
            xfile::MeshData m;
            const HRESULT hr = LoadBytes(bytes, m);
            EXPECT_TRUE(hr == S_OK || hr == D3DXERR_INVALIDDATA || hr == E_FAIL) << name << " round " << round;
        }
    }
}

TEST(XFileBroken, ReferencesCannotMultiplyAFileWithoutBound)
{
    // 3000 vertices drawn 1000 times over would be three million: past the loader's limit.
    std::ostringstream x;
    x << "xof 0303txt 0032\nMesh Big { 3000;";
    for (int i = 0; i < 3000; ++i) x << " 0;0;0;" << (i + 1 < 3000 ? "," : ";");
    x << " 1; 3;0,1,2;; }\nFrame Copies {";
    for (int i = 0; i < 1000; ++i) x << " { Big }";
    x << " }\n";
    xfile::MeshData m;
    EXPECT_EQ(D3DXERR_INVALIDDATA, LoadText(x.str(), m));

    // Frames that reference each other in a ring end at the nesting limit.
    EXPECT_EQ(D3DXERR_INVALIDDATA,
              LoadText("xof 0303txt 0032 Frame A { {A} {A} Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; } }", m));
}

}  // namespace
