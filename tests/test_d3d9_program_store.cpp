// Linked programs kept on disk between runs: a device that finds them draws what a compiling one
// draws, a damaged or foreign file is compiled again and replaced, never trusted, and the store
// lives where the environment says.
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

// `file` with one byte of its binary changed and the checksum made to fit, so that only the
// driver can tell.
std::string Resummed(const std::string& file, size_t at)
{
    std::string d = file;
    d[at] ^= 0x10;
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 32; i < d.size(); ++i)
        h = (h ^ uint8_t(d[i])) * 1099511628211ull;
    for (int i = 0; i < 8; ++i)
        d[24 + i] = char((h >> (8 * i)) & 0xFF);
    return d;
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Sets an environment variable for one scope, and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

struct Drawn {
    std::vector<DWORD> pixels;
    UINT built = 0, loaded = 0;
};

// A fresh device draws two fixed-function states (vertex colour alone, then modulated by a
// texture) and presents; the presented picture comes back.
Drawn DrawScene()
{
    constexpr UINT kSize = 32;
    D3DPRESENT_PARAMETERS pp = QvPresentParams(kSize, kSize);
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    Drawn drawn;
    if (QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device) != D3D_OK) {
        ADD_FAILURE() << "no device";
        return drawn;
    }
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked = {};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x)
            static_cast<DWORD*>(locked.pBits)[y * locked.Pitch / 4 + x] = (x ^ y) ? 0xFFFFFFFF : 0xFF406080;
    texture->UnlockRect(0);

    const VertexRHW triangle[3] = {{0, 0, 0.5f, 1, 0xFFFF0000}, {32, 0, 0.5f, 1, 0xFF00FF00}, {0, 32, 0.5f, 1, 0xFF0000FF}};
    struct VertexRHWT {
        float x, y, z, rhw;
        DWORD diffuse;
        float u, v;
    } quad[4] = {{8, 8, 0.4f, 1, 0xFFC0C0C0, 0, 0}, {24, 8, 0.4f, 1, 0xFFC0C0C0, 1, 0},
                 {8, 24, 0.4f, 1, 0xFFC0C0C0, 0, 1}, {24, 24, 0.4f, 1, 0xFFC0C0C0, 1, 1}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF202020, 1.0f, 0);
    device->BeginScene();
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    auto draw = [&](const void* vertices, UINT size, UINT stride, DWORD fvf, D3DPRIMITIVETYPE type, UINT count) {
        IDirect3DVertexBuffer9* vb = nullptr;
        ASSERT_EQ(device->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT, &vb, nullptr), D3D_OK);
        void* p = nullptr;
        ASSERT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
        std::memcpy(p, vertices, size);
        vb->Unlock();
        device->SetStreamSource(0, vb, 0, stride);
        device->SetFVF(fvf);
        EXPECT_EQ(device->DrawPrimitive(type, 0, count), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        vb->Release();
    };
    draw(triangle, sizeof triangle, sizeof triangle[0], kFvfRHW, D3DPT_TRIANGLELIST, 1);
    device->SetTexture(0, texture);
    draw(quad, sizeof quad, sizeof quad[0], D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPT_TRIANGLESTRIP, 2);
    device->EndScene();
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

    drawn.pixels.resize(kSize * kSize);
    EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, drawn.pixels.data(), UINT(drawn.pixels.size()),
                               nullptr, nullptr), D3D_OK);
    QvDeviceStats stats = {};
    EXPECT_EQ(QvGetDeviceStats(device, &stats), D3D_OK);
    drawn.built = stats.programsCompiled;
    drawn.loaded = stats.programsLoaded;
    device->SetTexture(0, nullptr);
    texture->Release();
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
        dir_ = fs::temp_directory_path() / ("qv-programs-" + std::to_string(getpid()));
        fs::remove_all(dir_);
    }
    void TearDown() override
    {
        if (!dir_.empty())
            fs::remove_all(dir_);
    }

    fs::path dir_;
};

TEST_F(ProgramStore, AWarmStartLoadsEveryProgramAndDrawsTheSamePicture)
{
    ScopedEnv env("QV_PROGRAM_CACHE", dir_.c_str());
    const Drawn cold = DrawScene();
    EXPECT_EQ(cold.built, 2u);
    EXPECT_EQ(cold.loaded, 0u);
    const Files kept = ReadFiles(dir_);
    ASSERT_GE(kept.size(), 2u) << "one file for each fixed-function program";

    const Drawn warm = DrawScene();
    EXPECT_EQ(warm.built, 2u);
    EXPECT_EQ(warm.loaded, 2u);
    EXPECT_EQ(warm.pixels, cold.pixels);
    EXPECT_EQ(ReadFiles(dir_), kept) << "a loaded program is not written again";
}

TEST_F(ProgramStore, DamagedOrForeignFilesAreCompiledAgainAndReplaced)
{
    ScopedEnv env("QV_PROGRAM_CACHE", dir_.c_str());
    const Drawn cold = DrawScene();
    const Files kept = ReadFiles(dir_);
    ASSERT_GE(kept.size(), 2u);

    const std::map<std::string, std::string (*)(const std::string&)> damages = {
        {"empty", [](const std::string&) { return std::string(); }},
        {"cut in half", [](const std::string& f) { return f.substr(0, f.size() / 2); }},
        {"last byte of the binary flipped", [](const std::string& f) { std::string d = f; d.back() ^= 0x01; return d; }},
        {"byte of the key flipped", [](const std::string& f) { std::string d = f; d[40] ^= 0x20; return d; }},
        {"another magic", [](const std::string& f) { std::string d = f; d[0] = 'X'; return d; }},
        {"lengths claim more than the file", [](const std::string& f) { std::string d = f; d[17] = char(0x7F); return d; }},
        {"one byte longer", [](const std::string& f) { return f + '\0'; }},
        {"zeros", [](const std::string& f) { return std::string(f.size(), '\0'); }},
        {"binary damaged under a valid checksum", [](const std::string& f) { return Resummed(f, f.size() - 64); }},
    };
    for (const auto& damage : damages) {
        SCOPED_TRACE(damage.first);
        for (const auto& file : kept)
            WriteFile(dir_ / file.first, damage.second(file.second));
        const Drawn again = DrawScene();
        EXPECT_EQ(again.loaded, 0u);
        EXPECT_EQ(again.pixels, cold.pixels);
        const Files rewritten = ReadFiles(dir_);
        EXPECT_EQ(rewritten.size(), kept.size()) << "no temporary file left behind";
        EXPECT_EQ(DrawScene().loaded, 2u) << "the replacements are whole";
    }
}

TEST_F(ProgramStore, LivesWhereTheEnvironmentSaysOrNowhere)
{
    ScopedEnv xdg("XDG_CACHE_HOME", dir_.c_str());
    {
        ScopedEnv off("QV_PROGRAM_CACHE", "0");
        EXPECT_EQ(DrawScene().loaded, 0u);
        EXPECT_FALSE(fs::exists(dir_ / "quorvel"));
        EXPECT_EQ(DrawScene().loaded, 0u);
    }
    {
        ScopedEnv unset("QV_PROGRAM_CACHE", nullptr);
        DrawScene();
        EXPECT_GE(ReadFiles(dir_ / "quorvel" / "programs").size(), 2u);
        EXPECT_EQ(DrawScene().loaded, 2u);
    }
    {
        // A store that cannot be written costs compiles, nothing else.
        fs::create_directories(dir_);
        WriteFile(dir_ / "file", "not a directory");
        ScopedEnv blocked("QV_PROGRAM_CACHE", (dir_ / "file").c_str());
        const Drawn drawn = DrawScene();
        EXPECT_EQ(drawn.built, 2u);
        EXPECT_EQ(drawn.loaded, 0u);
    }
}

} // namespace
