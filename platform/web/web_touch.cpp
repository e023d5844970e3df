// Touch controls in a page: elements carrying data-key, the key's name as KeyboardEvent.key
// gives it ("W", "Space", "1", "Escape"), and one stick, data-key="stick". They are one more game
// controller under the native rules (win32_gamepad_keys.h): the stick is a left stick, with its
// dead zone and hysteresis, the buttons are the controller's buttons of the same keys, so a touch
// becomes the key messages a controller's or the keyboard's would be, before the key table.
//
// Every finger is followed on its own (Pointer Events), so driving and firing go together. A
// finger that went down on the stick steers it until it lifts, however far it strays; one that
// went down on a button holds whichever button is under it, none once it slides off. A
// cancelled touch, the window losing the focus or the page being hidden lets everything go.
#include <emscripten.h>

#include <qv_live.h>

#include "platform/core/win32_gamepad_keys.h"
#include "platform/core/win32_key_table.h"
#include "platform/web/web_internal.h"
#include "platform/web/web_touch.h"

namespace qvweb {
namespace {

qvwin::GamepadKeys g_keys;
constexpr int kTouchPad = 0;  // the one controller the touch controls make up
bool g_listening = false;

// The controller source of each key a button can hold.
struct ButtonSource {
    BYTE key;
    unsigned source;
};
constexpr ButtonSource kButtons[] = {
    {'W', qvwin::kPadUp},   {'S', qvwin::kPadDown},          {'A', qvwin::kPadLeft},
    {'D', qvwin::kPadRight}, {VK_SPACE, qvwin::kSouth},      {'1', qvwin::kLeftShoulder},
    {'2', qvwin::kRightShoulder}, {'3', qvwin::kNorth},      {VK_ESCAPE, qvwin::kBack},
};

// As the controllers' keys: to the window that has the canvas.
constexpr qvwin::GamepadWindows kWindows{InputWindow, InputWindow, qvwin::ScanCodeOf};

void SendChanges() { qvwin::PostGamepadChanges(g_keys, kWindows); }

// The page's side: which finger is on which control, the stick's deflection from its centre,
// and the controls' looks (class "held", the knob's offset in --dx and --dy), calling back with
// the virtual key of a button or the stick's axes in a controller's range.
EM_JS(void, AttachControls, (int stickRange), {
    const held = new Map();  // pointerId -> the control it holds (or null off every button)
    const keyCode = (name) => name === 'Space' ? 32 : name === 'Escape' ? 27 :
                              name.length === 1 ? name.toUpperCase().charCodeAt(0) : 0;
    const controlAt = (x, y) => {
        const under = document.elementFromPoint(x, y);
        const control = under && under.closest('[data-key]');
        return control && control.dataset.key !== 'stick' ? control : null;
    };
    const press = (control, down) => {
        if (!control) return;
        control.classList.toggle('held', down);
        _qv_touch_key(keyCode(control.dataset.key), down ? 1 : 0);
    };
    const steer = (stick, e) => {
        const r = stick.getBoundingClientRect();
        const reach = Math.max(1, Math.min(r.width, r.height) / 2);
        let dx = (e.clientX - r.left - r.width / 2) / reach;
        let dy = (e.clientY - r.top - r.height / 2) / reach;
        const length = Math.hypot(dx, dy);
        if (length > 1) { dx /= length; dy /= length; }
        stick.style.setProperty('--dx', dx.toFixed(3));
        stick.style.setProperty('--dy', dy.toFixed(3));
        _qv_touch_stick(Math.round(dx * stickRange), Math.round(dy * stickRange));
    };
    const centre = (stick) => {
        stick.classList.remove('held');
        stick.style.setProperty('--dx', '0');
        stick.style.setProperty('--dy', '0');
        _qv_touch_stick(0, 0);
    };
    const lift = (id) => {
        if (!held.has(id)) return;
        const control = held.get(id);
        held.delete(id);
        if (control && control.dataset.key === 'stick') centre(control); else press(control, false);
    };
    const down = (e) => {
        e.preventDefault();
        const control = e.currentTarget;
        lift(e.pointerId);
        if (control.setPointerCapture) control.setPointerCapture(e.pointerId);
        held.set(e.pointerId, control);
        if (control.dataset.key === 'stick') {
            control.classList.add('held');
            steer(control, e);
        } else {
            press(control, true);
        }
    };
    const move = (e) => {
        if (!held.has(e.pointerId)) return;
        e.preventDefault();
        const control = held.get(e.pointerId);
        if (control && control.dataset.key === 'stick') return steer(control, e);
        const now = controlAt(e.clientX, e.clientY);
        if (now === control) return;
        press(control, false);
        held.set(e.pointerId, now);
        press(now, true);
    };
    const up = (e) => { e.preventDefault(); lift(e.pointerId); };
    for (const control of document.querySelectorAll('[data-key]')) {
        control.addEventListener('pointerdown', down, { passive: false });
        control.addEventListener('pointermove', move, { passive: false });
        control.addEventListener('pointerup', up, { passive: false });
        control.addEventListener('pointercancel', up, { passive: false });
        // No magnifier, selection or menu on a held control; touchcancel lets go as well.
        control.addEventListener('touchstart', (e) => e.preventDefault(), { passive: false });
        control.addEventListener('touchcancel', () => { forget(); _qv_touch_release(); }, { passive: false });
        control.addEventListener('contextmenu', (e) => e.preventDefault());
    }
    const forget = () => { for (const id of Array.from(held.keys())) lift(id); };
    Module['qvForgetTouches'] = forget;
});

EM_JS(void, ForgetFingers, (), {
    if (Module['qvForgetTouches']) Module['qvForgetTouches']();
});

}  // namespace

void ListenForTouch()
{
    if (g_listening) return;
    g_listening = true;
    AttachControls(qvwin::kStickRange);
}

void ReleaseTouchKeys()
{
    if (g_listening) ForgetFingers();
    g_keys.Remove(kTouchPad);
    SendChanges();
}

void ResetTouch()
{
    if (g_listening) ForgetFingers();
    g_keys.Clear();
}

}  // namespace qvweb

using namespace qvweb;

extern "C" {

EMSCRIPTEN_KEEPALIVE void qv_touch_key(int virtualKey, int down)
{
    for (const ButtonSource& b : kButtons) {
        if (b.key != virtualKey) continue;
        qvwin::SetGamepadSource(g_keys.Held(kTouchPad), b.source, down != 0);
        SendChanges();
        return;
    }
}

EMSCRIPTEN_KEEPALIVE void qv_touch_stick(int x, int y)
{
    unsigned* held = g_keys.Held(kTouchPad);
    qvwin::SetGamepadStick(held, qvwin::kStickLeft, qvwin::kStickRight, x);
    qvwin::SetGamepadStick(held, qvwin::kStickUp, qvwin::kStickDown, y);
    SendChanges();
}

EMSCRIPTEN_KEEPALIVE void qv_touch_release() { ReleaseTouchKeys(); }

}  // extern "C"
