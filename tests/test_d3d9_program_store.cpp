// Linked programs kept on disk between runs: a device that finds them draws what a compiling one
// draws; a damaged or foreign file is compiled again and replaced, never trusted.
#include "test_d3d9_support.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace {

using namespace d3d9test;
namespace fs = std::filesystem;

using Files = std::map<std::string, std::string>;

Files ReadFiles(const fs::path& dir)
{
    Files files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        std::ifstream in(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return files;
}

// A kept program's file: magic (8 bytes), key length, binary format, binary length, a zero word
// (4 bytes each, little-endian), a checksum over key and binary (8), the key, the binary.
std::string Resummed(std::string f)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 32; i < f.size(); ++i) h = (h ^ uint8_t(f[i])) * 1099511628211ull;
    for (int i = 0; i < 8; ++i) f[24 + size_t(i)] = char((h >> (8 * i)) & 0xFF);
    return f;
}

void AddToField(std::string& f, size_t at, int delta)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(f[at + size_t(i)]);
    v += uint32_t(delta);
    for (int i = 0; i < 4; ++i) f[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

struct Drawn {
    std::vector<DWORD> pixels;
    UINT loaded = 0;
    bool binaries = false;  // the driver offers program binaries
};

// A fresh device draws a vertex-coloured triangle and presents; the presented picture comes back.
Drawn DrawScene()
{
    D3DPRESENT_PARAMETERS pp = QvPresentParams(32, 32);
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    Drawn drawn;
    if (QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device) != D3D_OK) {
        ADD_FAILURE() << "no device";
        return drawn;
    }
    const VertexRHW triangle[3] = {{0, 0, 0.5f, 1, 0xFFFF0000}, {32, 0, 0.5f, 1, 0xFF00FF00}, {0, 32, 0.5f, 1, 0xFF0000FF}};
    IDirect3DVertexBuffer9* vb = nullptr;
    void* p = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(sizeof triangle, 0, kFvfRHW, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    std::memcpy(p, triangle, sizeof triangle);
    vb->Unlock();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF202020, 1.0f, 0);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetStreamSource(0, vb, 0, sizeof triangle[0]);
    device->SetFVF(kFvfRHW);
    device->BeginScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    device->EndScene();
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    drawn.pixels.resize(32 * 32);
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, drawn.pixels.data(), 32 * 32, nullptr, nullptr), D3D_OK);
    QvDeviceStats stats = {};
    EXPECT_EQ(QvGetDeviceStats(device, &stats), D3D_OK);
    drawn.loaded = stats.programsLoaded;
    drawn.binaries = stats.programBinaries != FALSE;
    device->SetStreamSource(0, nullptr, 0, 0);
    vb->Release();
    device->Release();
    d3d->Release();
    return drawn;
}

class ProgramStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Mesa offers program binaries only with its shader cache on (the sanitizer run turns it off).
        const char* mesaCache = std::getenv("MESA_SHADER_CACHE_DISABLE");
        if (mesaCache && (std::strcmp(mesaCache, "true") == 0 || std::strcmp(mesaCache, "1") == 0))
            GTEST_SKIP() << "Mesa's shader cache is off, and with it program binaries";
        // WebGL 2 has no program binaries, and the ES dialect that stands for it uses none.
        const char* dialect = std::getenv("QV_GL");
        if (dialect && std::strcmp(dialect, "es3") == 0)
            GTEST_SKIP() << "the OpenGL ES dialect keeps no program binaries";
        const char* old = std::getenv("QV_PROGRAM_CACHE");
        saved_ = old ? old : "";
        hadSaved_ = old != nullptr;
        dir_ = fs::temp_directory_path() / ("qv-programs-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        setenv("QV_PROGRAM_CACHE", dir_.c_str(), 1);
    }
    void TearDown() override
    {
        if (dir_.empty()) return;
        fs::remove_all(dir_);
        unsetenv("XDG_CACHE_HOME");
        hadSaved_ ? setenv("QV_PROGRAM_CACHE", saved_.c_str(), 1) : unsetenv("QV_PROGRAM_CACHE");
    }

    fs::path dir_;
    std::string saved_;
    bool hadSaved_ = false;
};

TEST_F(ProgramStore, AWarmStartLoadsItsProgramAndDrawsTheSamePicture)
{
    const Drawn cold = DrawScene();
    if (!cold.binaries)
        GTEST_SKIP() << "the driver offers no program binaries";
    EXPECT_EQ(cold.loaded, 0u);
    const Files kept = ReadFiles(dir_);
    ASSERT_EQ(kept.size(), 1u) << "the fixed-function program";
    const Drawn warm = DrawScene();
    EXPECT_EQ(warm.loaded, 1u);
    EXPECT_EQ(warm.pixels, cold.pixels);
    EXPECT_EQ(ReadFiles(dir_), kept) << "a loaded program is not written again";

    setenv("QV_PROGRAM_CACHE", "0", 1);
    EXPECT_EQ(DrawScene().loaded, 0u) << "0 turns the store off";
    // Unnamed, the store lives in the user's cache directory.
    unsetenv("QV_PROGRAM_CACHE");
    setenv("XDG_CACHE_HOME", (dir_ / "xdg").c_str(), 1);
    DrawScene();
    EXPECT_EQ(ReadFiles(dir_ / "xdg" / "quorvel" / "programs").size(), 1u);
}

TEST_F(ProgramStore, DamagedOrForeignFilesAreCompiledAgainAndReplaced)
{
    const Drawn cold = DrawScene();
    if (!cold.binaries)
        GTEST_SKIP() << "the driver offers no program binaries";
    const Files kept = ReadFiles(dir_);
    ASSERT_FALSE(kept.empty());
    // Only the driver can tell the last one: a binary byte changed and the checksum made to fit.
    const std::map<std::string, std::string (*)(std::string)> damages = {
        {"empty", [](std::string) { return std::string(); }},
        {"cut in half", [](std::string f) { return f.substr(0, f.size() / 2); }},
        {"binary byte flipped", [](std::string f) { f.back() ^= 0x01; return f; }},
        {"another magic", [](std::string f) { f[0] = 'X'; return f; }},
        {"binary damaged under a valid checksum", [](std::string f) {
             f[f.size() - 64] ^= 0x10;
             uint64_t h = 1469598103934665603ull;
             for (size_t i = 32; i < f.size(); ++i) h = (h ^ uint8_t(f[i])) * 1099511628211ull;
             for (int i = 0; i < 8; ++i) f[24 + i] = char((h >> (8 * i)) & 0xFF);
             return f;
         }},
    };
    // Each header field read against the file: a key of the same length but other text (what a
    // clash of the names' hashes would bring), the zero word, and lengths that do not add up.
    const std::map<std::string, std::string (*)(std::string)> fields = {
        {"another key of the same length", [](std::string f) { f[33] ^= 0x01; return Resummed(f); }},
        {"zero word set", [](std::string f) { f[20] = 1; return f; }},
        {"binary longer than the file", [](std::string f) { AddToField(f, 16, 1); return f; }},
        {"bytes past the binary", [](std::string f) { return Resummed(f + '\0'); }},
        {"key longer, binary shorter", [](std::string f) {
             AddToField(f, 8, 1);
             AddToField(f, 16, -1);
             return f;
         }},
    };
    std::map<std::string, std::string (*)(std::string)> all = damages;
    all.insert(fields.begin(), fields.end());
    for (const auto& damage : all) {
        SCOPED_TRACE(damage.first);
        for (const auto& file : kept)
            std::ofstream(dir_ / file.first, std::ios::binary | std::ios::trunc) << damage.second(file.second);
        const Drawn again = DrawScene();
        EXPECT_EQ(again.loaded, 0u);
        EXPECT_EQ(again.pixels, cold.pixels);
        EXPECT_EQ(ReadFiles(dir_).size(), kept.size()) << "no temporary file left behind";
        EXPECT_EQ(DrawScene().loaded, 1u) << "the replacement is whole";
    }
}

TEST_F(ProgramStore, AStoreThatCannotBeWrittenOrHasNoPlaceIsDoneWithout)
{
    const Drawn cold = DrawScene();
    if (!cold.binaries)
        GTEST_SKIP() << "the driver offers no program binaries";
    const Files kept = ReadFiles(dir_);
    ASSERT_EQ(kept.size(), 1u);
    const auto entries = [](const fs::path& dir) {
        std::error_code error;
        return std::distance(fs::directory_iterator(dir, error), fs::directory_iterator());
    };

    // A directory where the program's file belongs: compiled every time, nothing left beside it.
    fs::remove(dir_ / kept.begin()->first);
    fs::create_directory(dir_ / kept.begin()->first);
    for (int run = 0; run < 2; ++run) {
        const Drawn again = DrawScene();
        EXPECT_EQ(again.loaded, 0u);
        EXPECT_EQ(again.pixels, cold.pixels);
    }
    EXPECT_EQ(entries(dir_), 1);

    // A store that cannot be made (its place lies under a plain file).
    std::ofstream(dir_ / "plain") << "not a directory";
    setenv("QV_PROGRAM_CACHE", (dir_ / "plain" / "programs").c_str(), 1);
    for (int run = 0; run < 2; ++run) {
        const Drawn again = DrawScene();
        EXPECT_EQ(again.loaded, 0u);
        EXPECT_EQ(again.pixels, cold.pixels);
    }

    // A relative XDG_CACHE_HOME names no place (the base directory rules ignore it): the home's
    // cache is used, and nothing is written under the working directory.
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    const std::string relative = "qv-relative-cache-" + std::to_string(getpid());
    unsetenv("QV_PROGRAM_CACHE");
    setenv("XDG_CACHE_HOME", relative.c_str(), 1);
    setenv("HOME", (dir_ / "home").c_str(), 1);
    DrawScene();
    EXPECT_EQ(entries(dir_ / "home" / ".cache" / "quorvel" / "programs"), 1);
    EXPECT_FALSE(fs::exists(fs::path(relative) / "quorvel")) << "(Mesa's own cache may take it as it is)";
    fs::remove_all(relative);
    // Without a home either, there is no store.
    unsetenv("XDG_CACHE_HOME");
    unsetenv("HOME");
    fs::remove_all(dir_ / "home");
    const Drawn homeless = DrawScene();
    EXPECT_EQ(homeless.loaded, 0u);
    EXPECT_EQ(homeless.pixels, cold.pixels);
    EXPECT_FALSE(fs::exists(dir_ / "home"));
    home ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
}

} // namespace
