// A device whose GL context cannot be made: the caller hears D3DERR_NOTAVAILABLE, and stderr
// hears why, on one line.
#include <d3d9.h>
#include <qv_d3d9.h>

#include <gtest/gtest.h>

#include "support/child_exit.h"

#include <cstdlib>
#include <string>

namespace {

// A standalone device under SDL's video driver `driver`, in a process of its own where SDL's
// video has not been started by an earlier test: refused, nothing left, and the failed `step`
// named on stderr.
void ExpectNoDeviceUnder(const char* driver, const std::string& step)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", driver, 1);
            D3DPRESENT_PARAMETERS pp = QvPresentParams(64, 64);
            IDirect3D9* d3d = nullptr;
            IDirect3DDevice9* device = nullptr;
            const HRESULT hr = QvCreateStandaloneDevice(&pp, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &d3d, &device);
            testsupport::ChildExit(hr == D3DERR_NOTAVAILABLE && !device && !d3d ? 0 : 1);
        },
        testing::ExitedWithCode(0), "^d3d9: no OpenGL (3.3 core|ES 3.0) context \\(" + step + "\\): [^\n]+\n$");
}

TEST(D3D9Context, ACreationThatFailsSaysWhyOnOneLine) { ExpectNoDeviceUnder("no-such-driver", "video"); }

// SDL's dummy driver starts, but makes no OpenGL window.
TEST(D3D9Context, AVideoDriverWithoutOpenGlGivesNoDeviceAndSaysWhy) { ExpectNoDeviceUnder("dummy", "window"); }

} // namespace
