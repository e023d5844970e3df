// Shared between the platform/windows hooks.
#pragma once

namespace qvhooks {

// Back to the defaults, for QvResetWin32: the real clocks, message boxes shown as asked.
void ResetClock();
void ResetMessageBoxes();
void ForgetKeys();

}  // namespace qvhooks
