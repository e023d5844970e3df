// The GL driver as the device finds it through the loader: one that lacks an entry point the
// device needs is refused cleanly (no device, no GL call through a null pointer, the missing
// name on stderr, and the real driver still works afterwards); one that lacks the entry points
// and extensions of later GL versions, or answers a query its own way, draws the same picture.
#include "test_d3d9_support.h"

#include "platform/d3d9/gl_api.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using namespace d3d9test;
namespace gl = qv::gl;

#define QV_TEST_NAME(type, name) #name,
const char* const kRequired[] = {QV_GL_FUNCTIONS(QV_TEST_NAME)};
const char* const kCoreOnly[] = {QV_GL_CORE_FUNCTIONS(QV_TEST_NAME)};
const char* const kEsOnly[] = {QV_GL_ES_FUNCTIONS(QV_TEST_NAME)};
const char* const kOptional[] = {QV_GL_OPTIONAL_FUNCTIONS(QV_TEST_NAME)};
#undef QV_TEST_NAME

// A Win32 window of its own class, `width` x `height` (no frame under the offscreen driver);
// destroying it takes its class too.
class TestWindow {
public:
    TestWindow(const char* name, int width, int height) : name_(name)
    {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = name;
        RegisterClassExA(&wc);
        hwnd = CreateWindowExA(0, name, "d3d9", WS_OVERLAPPEDWINDOW, 0, 0, width, height, nullptr, nullptr, nullptr,
                               nullptr);
    }
    ~TestWindow()
    {
        DestroyWindow(hwnd);
        UnregisterClassA(name_, nullptr);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND hwnd = nullptr;

private:
    const char* name_;
};

// The driver the device is shown: the real one, less what the test takes away.
struct FakeDriver {
    const char* missing = nullptr; // one entry point it lacks
    bool none = false;             // it has no entry point at all
    bool gl33 = false;             // GL 3.3 without extensions or later entry points
    const char* renderer = "";     // GL_RENDERER as it answers ("" the real one; null none)
    bool realRenderer = true;
    GLenum rejects = 0;            // the shader type its compiler refuses, or GL_PROGRAM: linking
};
FakeDriver g_driver;

PFNGLGETSTRINGPROC g_realGetString = nullptr;
PFNGLGETINTEGERVPROC g_realGetIntegerv = nullptr;
PFNGLGETSHADERIVPROC g_realGetShaderiv = nullptr;
PFNGLGETPROGRAMIVPROC g_realGetProgramiv = nullptr;

void APIENTRY FakeGetShaderiv(GLuint shader, GLenum name, GLint* value)
{
    g_realGetShaderiv(shader, name, value);
    GLint type = 0;
    g_realGetShaderiv(shader, GL_SHADER_TYPE, &type);
    if (name == GL_COMPILE_STATUS && GLenum(type) == g_driver.rejects)
        *value = GL_FALSE;
}

void APIENTRY FakeGetProgramiv(GLuint program, GLenum name, GLint* value)
{
    g_realGetProgramiv(program, name, value);
    if (name == GL_LINK_STATUS && g_driver.rejects == GL_PROGRAM)
        *value = GL_FALSE;
}

const GLubyte* APIENTRY FakeGetString(GLenum name)
{
    if (name == GL_RENDERER && !g_driver.realRenderer)
        return reinterpret_cast<const GLubyte*>(g_driver.renderer);
    return g_realGetString(name);
}

void APIENTRY FakeGetIntegerv(GLenum name, GLint* value)
{
    g_realGetIntegerv(name, value);
    if (!g_driver.gl33)
        return;
    if (name == GL_MAJOR_VERSION)
        *value = 3;
    else if (name == GL_MINOR_VERSION)
        *value = 3;
    else if (name == GL_NUM_EXTENSIONS || name == GL_NUM_PROGRAM_BINARY_FORMATS)
        *value = 0;
}

bool Optional(const char* name)
{
    for (const char* o : kOptional)
        if (std::strcmp(o, name) == 0)
            return true;
    return false;
}

void* FakeLookup(const char* name)
{
    if (g_driver.none || (g_driver.missing && std::strcmp(name, g_driver.missing) == 0))
        return nullptr;
    if (g_driver.gl33 && Optional(name))
        return nullptr;
    void* real = gl::GlProcAddress(name);
    // The queries a test answers its own way: the real one is kept for everything else.
    const auto stand = [&](const char* query, auto& saved, auto* fake) -> bool {
        if (std::strcmp(name, query) != 0)
            return false;
        saved = reinterpret_cast<std::remove_reference_t<decltype(saved)>>(real);
        real = real ? reinterpret_cast<void*>(fake) : nullptr;
        return true;
    };
    stand("glGetString", g_realGetString, &FakeGetString) || stand("glGetIntegerv", g_realGetIntegerv, &FakeGetIntegerv) ||
        stand("glGetShaderiv", g_realGetShaderiv, &FakeGetShaderiv) ||
        stand("glGetProgramiv", g_realGetProgramiv, &FakeGetProgramiv);
    return real;
}

class GlDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_driver = FakeDriver{};
        gl::SetProcLookup(&FakeLookup);
    }
    void TearDown() override
    {
        gl::SetProcLookup(nullptr);
        g_driver = FakeDriver{};
    }

    // A device on the fake driver, standalone or in `window`; what it answered and printed.
    HRESULT Create(DWORD behavior, std::string* said = nullptr, HWND window = nullptr)
    {
        D3DPRESENT_PARAMETERS pp = QvPresentParams(kSize, kSize);
        d3d = reinterpret_cast<IDirect3D9*>(0x1);
        device = reinterpret_cast<IDirect3DDevice9*>(0x1);
        testing::internal::CaptureStderr();
        HRESULT hr = D3DERR_NOTAVAILABLE;
        if (window) {
            d3d = Direct3DCreate9(D3D_SDK_VERSION);
            hr = d3d->CreateDevice(0, D3DDEVTYPE_HAL, window, behavior, &pp, &device);
        } else {
            hr = QvCreateStandaloneDevice(&pp, behavior, &d3d, &device);
        }
        const std::string err = testing::internal::GetCapturedStderr();
        if (said)
            *said = err;
        return hr;
    }
    void Release() { ReleaseDevice(device, d3d); }

    // A quad in three places, drawn from one vertex buffer at a base vertex past its start (so
    // that they are batched, instanced, from an offset), then presented and read back.
    std::vector<DWORD> DrawScene(HRESULT drawn = D3D_OK)
    {
        std::vector<DWORD> pixels(kSize * kSize);
        const VertexPDT quads[8] = {
            {0, 0, 0, 0xFF000000, 0, 0},      {0, 0, 0, 0xFF000000, 0, 0},
            {0, 0, 0, 0xFF000000, 0, 0},      {0, 0, 0, 0xFF000000, 0, 0},
            {-1, -1, 0.5f, 0xFFFF0000, 0, 1}, {-1, 1, 0.5f, 0xFF00FF00, 0, 0},
            {1, -1, 0.5f, 0xFF0000FF, 1, 1},  {1, 1, 0.5f, 0xFFFFFFFF, 1, 0},
        };
        const WORD indices[6] = {0, 1, 2, 2, 1, 3};
        IDirect3DVertexBuffer9* vb = nullptr;
        IDirect3DIndexBuffer9* ib = nullptr;
        void* p = nullptr;
        EXPECT_EQ(device->CreateVertexBuffer(sizeof quads, 0, kFvfPDT, D3DPOOL_MANAGED, &vb, nullptr), D3D_OK);
        EXPECT_EQ(device->CreateIndexBuffer(sizeof indices, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib, nullptr), D3D_OK);
        if (!vb || !ib)
            return pixels;
        vb->Lock(0, 0, &p, 0);
        std::memcpy(p, quads, sizeof quads);
        vb->Unlock();
        ib->Lock(0, 0, &p, 0);
        std::memcpy(p, indices, sizeof indices);
        ib->Unlock();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF203040, 1.0f, 0);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetStreamSource(0, vb, 0, sizeof(VertexPDT));
        device->SetIndices(ib);
        device->SetFVF(kFvfPDT);
        device->BeginScene();
        const float places[3][2] = {{-0.5f, -0.5f}, {0.5f, 0.0f}, {-0.25f, 0.6f}};
        for (const auto& at : places) {
            D3DMATRIX world = Identity();
            world._11 = world._22 = 0.3f;
            world._41 = at[0];
            world._42 = at[1];
            device->SetTransform(D3DTS_WORLD, &world);
            EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 4, 0, 4, 0, 2), drawn);
        }
        device->EndScene();
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_PRESENTED, pixels.data(), UINT(pixels.size()), nullptr,
                                   nullptr), D3D_OK);
        device->SetStreamSource(0, nullptr, 0, 0);
        device->SetIndices(nullptr);
        vb->Release();
        ib->Release();
        return pixels;
    }

    static constexpr UINT kSize = 48;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
};

TEST_F(GlDriver, LackingAnyEntryPointItNeedsIsRefusedAndNamedThenTheRealDriverWorks)
{
    std::vector<const char*> needed(std::begin(kRequired), std::end(kRequired));
    if (gl::RequestedDialect() == gl::Dialect::Es30)
        needed.insert(needed.end(), std::begin(kEsOnly), std::end(kEsOnly));
    else
        needed.insert(needed.end(), std::begin(kCoreOnly), std::end(kCoreOnly));
    for (const char* name : needed) {
        SCOPED_TRACE(name);
        g_driver.missing = name;
        std::string said;
        EXPECT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING, &said), D3DERR_NOTAVAILABLE);
        EXPECT_EQ(d3d, nullptr);
        EXPECT_EQ(device, nullptr);
        EXPECT_NE(said.find(std::string(": ") + name + " is missing\n"), std::string::npos) << said;
    }

    // No entry point at all: the first one is named, and only once.
    g_driver = FakeDriver{};
    g_driver.none = true;
    std::string said;
    EXPECT_EQ(Create(D3DCREATE_MIXED_VERTEXPROCESSING, &said), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    EXPECT_NE(said.find(std::string(kRequired[0]) + " is missing\n"), std::string::npos) << said;
    EXPECT_EQ(said.find(" is missing", said.find(" is missing") + 1), std::string::npos) << said;

    // Back on the window system's own lookup, a device is made and draws.
    gl::SetProcLookup(nullptr);
    ASSERT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3D_OK);
    const std::vector<DWORD> pixels = DrawScene();
    EXPECT_TRUE(NearColour(pixels[0], 0xFF203040));
    EXPECT_FALSE(NearColour(pixels[36 * kSize + 12], 0xFF203040, 8)) << "the box at the lower left";
    Release();
}

TEST_F(GlDriver, AGl33DriverWithoutLaterEntryPointsOrExtensionsDrawsTheSamePicture)
{
    ASSERT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3D_OK);
    const std::vector<DWORD> full = DrawScene();
    QvDeviceStats fullStats{};
    QvGetDeviceStats(device, &fullStats);
    Release();

    g_driver.gl33 = true;
    ASSERT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3D_OK);
    const std::vector<DWORD> bare = DrawScene();
    QvDeviceStats bareStats{};
    QvGetDeviceStats(device, &bareStats);
    Release();

    EXPECT_EQ(bare, full);
    EXPECT_FALSE(bareStats.programBinaries) << "no binary formats offered: the store stays shut";
    EXPECT_EQ(bareStats.programsLoaded, 0u);
    EXPECT_EQ(bareStats.draws, fullStats.draws);
    EXPECT_LT(bareStats.glDraws, bareStats.draws) << "the boxes still go to GL batched";
}

TEST_F(GlDriver, ACompilerThatRefusesItsProgramsCostsOneTryAndNoCrash)
{
    // Kept binaries would be loaded without a compile; this driver must be asked.
    const char* store = std::getenv("QV_PROGRAM_CACHE");
    const std::string savedStore = store ? store : "";
    setenv("QV_PROGRAM_CACHE", "0", 1);
    const struct {
        GLenum rejects;
        const char* says;
    } refusals[] = {{GL_VERTEX_SHADER, "vertex shader rejected"},
                    {GL_FRAGMENT_SHADER, "fragment shader rejected"},
                    {GL_PROGRAM, "program failed to link"}};
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.says);
        // A window of the back buffer's size, where Present would draw the picture with a program.
        const TestWindow window("QvGlDriverRefusal", kSize, kSize);
        ASSERT_NE(window.hwnd, nullptr);
        g_driver.rejects = refusal.rejects;
        ASSERT_EQ(Create(D3DCREATE_MIXED_VERTEXPROCESSING, nullptr, window.hwnd), D3D_OK);
        testing::internal::CaptureStderr();
        const std::vector<DWORD> pixels = DrawScene(D3DERR_INVALIDCALL);
        const std::string said = testing::internal::GetCapturedStderr();
        // Nothing drawn but the clear, and one fixed-function program tried for the three draws.
        EXPECT_EQ(pixels, std::vector<DWORD>(pixels.size(), 0xFF203040));
        QvDeviceStats stats{};
        QvGetDeviceStats(device, &stats);
        EXPECT_EQ(stats.programsCompiled, 1u);
        EXPECT_EQ(stats.glDraws, 0u);
        EXPECT_NE(said.find("d3d9: fixed-function " + std::string(refusal.says)), std::string::npos) << said;
        EXPECT_NE(said.find("d3d9: present " + std::string(refusal.says)), std::string::npos) << said;

        // The present pass, its program refused too, copies the picture upright instead.
        const D3DRECT top = {0, 0, LONG(kSize), 8};
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
        device->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        GLint readFbo = 0;
        gl::glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFbo);
        gl::glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        std::vector<uint8_t> shown(kSize * kSize * 4);
        gl::glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, shown.data());
        gl::glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(readFbo));
        const auto rgb = [&](UINT glRow) {
            const uint8_t* p = &shown[size_t(glRow) * kSize * 4];
            return DWORD(p[0]) << 16 | DWORD(p[1]) << 8 | p[2];
        };
        EXPECT_EQ(rgb(kSize - 1), 0xFF0000u) << "the window's top row";
        EXPECT_EQ(rgb(0), 0x0000FFu) << "the window's bottom row";
        Release();
    }
    store ? setenv("QV_PROGRAM_CACHE", savedStore.c_str(), 1) : unsetenv("QV_PROGRAM_CACHE");
}

TEST_F(GlDriver, TheRendererItNamesDecidesHardwareVertexProcessing)
{
    // A renderer the device does not know as a rasteriser on the CPU takes hardware vertex
    // processing; each known one is refused it, and MIXED then takes the same context.
    g_driver.realRenderer = false;
    g_driver.renderer = "Example GPU 9000/PCIe";
    ASSERT_EQ(Create(D3DCREATE_HARDWARE_VERTEXPROCESSING), D3D_OK);
    QvDeviceStats stats{};
    QvGetDeviceStats(device, &stats);
    EXPECT_STREQ(stats.renderer, "Example GPU 9000/PCIe");
    EXPECT_EQ(stats.behaviorFlags, DWORD(D3DCREATE_HARDWARE_VERTEXPROCESSING));
    Release();

    for (const char* software : {"llvmpipe (LLVM 15.0.6, 256 bits)", "softpipe", "Mesa swrast",
                                 "Software Rasterizer", "Google SwiftShader"}) {
        SCOPED_TRACE(software);
        g_driver.renderer = software;
        IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3d, nullptr);
        D3DPRESENT_PARAMETERS pp = QvPresentParams(kSize, kSize);
        IDirect3DDevice9* made = reinterpret_cast<IDirect3DDevice9*>(0x1);
        EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &made),
                  D3DERR_NOTAVAILABLE);
        EXPECT_EQ(made, nullptr);
        ASSERT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &made),
                  D3D_OK);
        QvGetDeviceStats(made, &stats);
        EXPECT_STREQ(stats.renderer, software);
        EXPECT_EQ(made->Release(), 0u);
        EXPECT_EQ(direct3d->Release(), 0u);
    }

    // A driver that names no renderer at all is still drawn on, and keys its programs without one.
    g_driver.renderer = nullptr;
    ASSERT_EQ(Create(D3DCREATE_SOFTWARE_VERTEXPROCESSING), D3D_OK);
    QvGetDeviceStats(device, &stats);
    EXPECT_STREQ(stats.renderer, "");
    const std::vector<DWORD> pixels = DrawScene();
    EXPECT_TRUE(NearColour(pixels[0], 0xFF203040));
    Release();
}

} // namespace

namespace {

// The back buffer a device is asked for: what it cannot draw into is refused with no device
// left behind, and each format it takes clears and reads back as that format keeps colour.
TEST(D3D9BackBuffer, FormatsSizesAndDepthItCannotMakeAreRefusedTheOthersDraw)
{
    struct Case {
        const char* what;
        D3DFORMAT colour;
        UINT width;
        BOOL depth;
        D3DFORMAT depthFormat;
        bool made;
    };
    const Case cases[] = {
        {"A8R8G8B8, D24S8", D3DFMT_A8R8G8B8, 32, TRUE, D3DFMT_D24S8, true},
        {"X8R8G8B8, no depth", D3DFMT_X8R8G8B8, 32, FALSE, D3DFMT_UNKNOWN, true},
        {"R5G6B5, D32", D3DFMT_R5G6B5, 32, TRUE, D3DFMT_D32, true},
        {"X1R5G5B5, D24X8", D3DFMT_X1R5G5B5, 32, TRUE, D3DFMT_D24X8, true},
        {"A2R10G10B10", D3DFMT_A2R10G10B10, 32, TRUE, D3DFMT_D16, false},
        {"A8", D3DFMT_A8, 32, TRUE, D3DFMT_D16, false},
        {"depth D15S1", D3DFMT_X8R8G8B8, 32, TRUE, D3DFMT_D15S1, false},
        {"wider than any target", D3DFMT_X8R8G8B8, 1u << 20, TRUE, D3DFMT_D16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        D3DPRESENT_PARAMETERS pp = QvPresentParams(c.width, 32);
        pp.BackBufferFormat = c.colour;
        pp.EnableAutoDepthStencil = c.depth;
        pp.AutoDepthStencilFormat = c.depthFormat;
        IDirect3D9* d3d = reinterpret_cast<IDirect3D9*>(0x1);
        IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(0x1);
        const HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device);
        if (c.depth) {
            // The format query a caller walks before creating says what creation then does.
            IDirect3D9* direct3d = Direct3DCreate9(D3D_SDK_VERSION);
            const bool depthMade = std::string(c.what) != "depth D15S1";
            EXPECT_EQ(direct3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_SURFACE, c.depthFormat),
                      depthMade ? D3D_OK : D3DERR_NOTAVAILABLE);
            EXPECT_EQ(direct3d->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3DFMT_X8R8G8B8, D3DUSAGE_DEPTHSTENCIL,
                                                  D3DRTYPE_TEXTURE, c.depthFormat), D3DERR_NOTAVAILABLE)
                << "depth is a surface only";
            direct3d->Release();
        }
        if (!c.made) {
            EXPECT_TRUE(FAILED(hr));
            EXPECT_EQ(d3d, nullptr);
            EXPECT_EQ(device, nullptr);
            continue;
        }
        ASSERT_EQ(hr, D3D_OK);
        const bool stencil = c.depthFormat == D3DFMT_D24S8;
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 1.0f, 0), c.depth ? D3D_OK : D3DERR_INVALIDCALL);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), stencil ? D3D_OK : D3DERR_INVALIDCALL);
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x80FF8000, 1.0f, 0), D3D_OK);
        DWORD pixel = 0;
        ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, &pixel, 1, nullptr, nullptr), D3DERR_MOREDATA);
        std::vector<DWORD> pixels(32 * 32);
        ASSERT_EQ(QvReadBackBuffer(device, QV_BACKBUFFER_CURRENT, pixels.data(), UINT(pixels.size()), nullptr, nullptr),
                  D3D_OK);
        EXPECT_TRUE(NearColour(pixels[0], 0xFFFF8000, 8));
        // Only a target with alpha keeps it; the others read back opaque.
        EXPECT_EQ(pixels[0] >> 24, c.colour == D3DFMT_A8R8G8B8 ? 0x80u : 0xFFu);
        EXPECT_EQ(device->Release(), 0u);
        EXPECT_EQ(d3d->Release(), 0u);
    }
}

// A windowed back buffer of no size takes the window's client size, side by side, and one of
// unknown format the display's.
TEST(D3D9BackBuffer, WithoutASizeOrFormatItTakesTheWindows)
{
    const TestWindow window("QvBackBufferSize", 80, 60);
    ASSERT_NE(window.hwnd, nullptr);
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    const struct {
        UINT width, height, wantWidth, wantHeight;
    } sizes[] = {{0, 0, 80, 60}, {0, 32, 80, 32}, {48, 0, 48, 60}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.width << " x " << size.height);
        D3DPRESENT_PARAMETERS pp = QvPresentParams(size.width, size.height);
        pp.BackBufferFormat = D3DFMT_UNKNOWN;
        IDirect3DDevice9* device = nullptr;
        ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, window.hwnd, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &device),
                  D3D_OK);
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DSURFACE_DESC desc{};
        back->GetDesc(&desc);
        EXPECT_EQ(desc.Width, size.wantWidth);
        EXPECT_EQ(desc.Height, size.wantHeight);
        EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
        back->Release();
        EXPECT_EQ(device->Release(), 0u);
    }
    EXPECT_EQ(d3d->Release(), 0u);
}

} // namespace
