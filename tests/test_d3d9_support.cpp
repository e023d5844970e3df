#include "test_d3d9_support.h"

#include <cstdio>
#include <cstdlib>

namespace d3d9test {

::testing::AssertionResult NearColour(DWORD got, DWORD want, int tol)
{
    for (int shift = 0; shift <= 16; shift += 8)
        if (std::abs(Channel(got, shift) - Channel(want, shift)) > tol) {
            char text[96];
            std::snprintf(text, sizeof text, "got 0x%08X, want 0x%08X (+-%d)", unsigned(got), unsigned(want), tol);
            return ::testing::AssertionFailure() << text;
        }
    return ::testing::AssertionSuccess();
}

} // namespace d3d9test
