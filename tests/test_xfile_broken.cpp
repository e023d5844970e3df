// Broken, truncated and hostile X files: every one is refused with a negative result, without
// reading past the data or sizing anything from a count the data cannot back (the sanitizer
// build turns either into a failure here).
#include "test_xfile_util.h"
#include "gfxutil/xfile/xfile_mszip.h"

#include <zlib.h>

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

// One MSZIP block: its sizes, "CK", and the raw deflate of `text`, which may refer back to `before`.
std::vector<uint8_t> MszipBlock(const std::string& text, const std::string& before)
{
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
    if (!before.empty())
        deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(before.data()), uInt(before.size()));
    std::vector<uint8_t> packed(deflateBound(&z, uLong(text.size())));
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = uInt(text.size());
    z.next_out = packed.data();
    z.avail_out = uInt(packed.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    packed.resize(z.total_out);
    deflateEnd(&z);
    const size_t stored = packed.size() + 2;
    std::vector<uint8_t> block(4 + stored);
    block[0] = uint8_t(text.size());
    block[1] = uint8_t(text.size() >> 8);
    block[2] = uint8_t(stored);
    block[3] = uint8_t(stored >> 8);
    block[4] = 'C';
    block[5] = 'K';
    std::copy(packed.begin(), packed.end(), block.begin() + 6);
    return block;
}

// A compressed file's body: the declared size, then blocks, each inflated with the text before it
// as its dictionary. Every lie in the sizes or the blocks is refused, and the output never grows
// past what the file declared.
TEST(XFileBroken, CompressedBlocksAreHeldToTheirSizes)
{
    const std::string first(3000, 'a'), second = std::string(2000, 'a') + "tail";
    const uint32_t declared = uint32_t(first.size() + second.size() + 16);
    auto body = [&](uint32_t total) {
        std::vector<uint8_t> bytes = {uint8_t(total), uint8_t(total >> 8), uint8_t(total >> 16), uint8_t(total >> 24)};
        for (const auto& block : {MszipBlock(first, ""), MszipBlock(second, first)})
            bytes.insert(bytes.end(), block.begin(), block.end());
        return bytes;
    };
    std::vector<uint8_t> out;
    const std::vector<uint8_t> good = body(declared);
    ASSERT_TRUE(xfile::InflateMszip(good.data(), good.size(), out));
    EXPECT_EQ(std::string(out.begin(), out.end()), first + second);

    const size_t second_at = 4 + MszipBlock(first, "").size();
    auto refused = [&](std::vector<uint8_t> bytes, const char* what) {
        EXPECT_FALSE(xfile::InflateMszip(bytes.data(), bytes.size(), out)) << what;
    };
    refused({1, 0, 0}, "no declared size");
    refused(body(15), "declared size under the header's");
    refused(body(uint32_t(xfile::kMaxExpandedBytes + 17)), "declared size past the limit");
    refused(body(declared + 1), "blocks that end short of the declared size");
    refused(body(declared - 1), "blocks that run past the declared size");
    for (size_t cut : {size_t(1), size_t(3), size_t(5), size_t(40)}) {
        refused(std::vector<uint8_t>(good.begin(), good.end() - long(cut)), "truncated");
    }
    refused(std::vector<uint8_t>(good.begin(), good.begin() + long(second_at) + 2), "cut in a block's sizes");
    std::vector<uint8_t> bad = good;
    bad[second_at + 4] = 'X';
    refused(bad, "no CK");
    bad = good;
    bad[second_at] = bad[second_at + 1] = 0;
    refused(bad, "a block of no size");
    bad = good;
    bad[second_at + 2] = 1;
    bad[second_at + 3] = 0;
    refused(bad, "a stored size under CK's");
    bad = body(declared + 1);
    bad[second_at] = uint8_t(second.size() + 1);
    refused(bad, "a block shorter than it says");
    bad = good;
    bad[second_at + 6] ^= 0xFF;
    refused(bad, "damaged deflate data");
}

}  // namespace
