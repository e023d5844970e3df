// Game controllers in a page, through the browser's Gamepad API, as the same keys as natively
// (win32_gamepad_keys.h). The browser reports no changes, only states: the pads are read at
// most once per few milliseconds from the message loop. Only pads in the standard mapping are
// used; their buttons sit where SDL's game-controller buttons do.
#include <emscripten/html5.h>

#include <cmath>
#include <cstring>

#include <qv_live.h>

#include "platform/web/web_internal.h"
#include "platform/core/win32_gamepad_keys.h"
#include "platform/core/win32_key_table.h"

namespace qvweb {
namespace {

bool g_enabled = false;
qvwin::GamepadKeys g_keys;
double g_lastSample = -1e9;

constexpr double kSampleInterval = 4.0;  // ms: more often than any display's frames
constexpr int kMostPads = 16;

// Buttons of the standard mapping and the source each stands for.
struct ButtonSource {
    int button;
    unsigned source;
};
constexpr ButtonSource kButtons[] = {
    {0, qvwin::kSouth},         {3, qvwin::kNorth},    {4, qvwin::kLeftShoulder},
    {5, qvwin::kRightShoulder}, {8, qvwin::kBack},     {9, qvwin::kStart},
    {12, qvwin::kPadUp},        {13, qvwin::kPadDown}, {14, qvwin::kPadLeft},
    {15, qvwin::kPadRight},
};

int StickValue(double axis)
{
    const double clamped = axis < -1.0 ? -1.0 : (axis > 1.0 ? 1.0 : axis);
    return static_cast<int>(std::lround(clamped * qvwin::kStickRange));
}

void Read(const EmscriptenGamepadEvent& pad)
{
    const int id = static_cast<int>(pad.index);
    unsigned* held = g_keys.Held(id);
    for (const ButtonSource& b : kButtons) {
        qvwin::SetGamepadSource(held, b.source, b.button < pad.numButtons && pad.digitalButton[b.button]);
    }
    qvwin::SetGamepadStick(held, qvwin::kStickLeft, qvwin::kStickRight, pad.numAxes > 0 ? StickValue(pad.axis[0]) : 0);
    qvwin::SetGamepadStick(held, qvwin::kStickUp, qvwin::kStickDown, pad.numAxes > 1 ? StickValue(pad.axis[1]) : 0);
}

// The page's keys, the controllers' too, all go to the window that has the canvas.
constexpr qvwin::GamepadWindows kWindows{InputWindow, InputWindow, qvwin::ScanCodeOf};

}  // namespace

void SampleGamepads()
{
    if (!g_enabled) return;
    const double now = emscripten_get_now();
    if (now - g_lastSample < kSampleInterval) return;
    g_lastSample = now;
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int count = emscripten_get_num_gamepads();
    // A pad that is gone, or no longer in the standard mapping, lets its keys go.
    for (int index = 0; index < kMostPads; ++index) {
        EmscriptenGamepadEvent pad;
        const bool present = index < count && emscripten_get_gamepad_status(index, &pad) == EMSCRIPTEN_RESULT_SUCCESS &&
                             pad.connected && std::strcmp(pad.mapping, "standard") == 0;
        if (present) {
            Read(pad);
        } else if (g_keys.Known(index)) {
            g_keys.Remove(index);
        }
    }
    qvwin::PostGamepadChanges(g_keys, kWindows);
}

void ResetGamepads() { QvEnableGamepads(false); }

}  // namespace qvweb

// Off by default, as natively: the page's process entry turns them on, a scripted run does not.
void QvEnableGamepads(bool enable)
{
    if (enable == qvweb::g_enabled) return;
    qvweb::g_enabled = enable;
    if (!enable) qvweb::g_keys.Clear();
}
