// Game controllers as the keyboard: each controller's buttons and left stick hold the game's
// keys, and a key goes down when the first controller holds it and up when the last lets go.
#include <vector>

#include "platform/win32/qv_live.h"
#include "platform/win32/win32_internal.h"

namespace qvwin {
namespace {

// What a controller can hold, one bit each, and the key each one stands for.
enum Source : unsigned {
    kStickUp, kStickDown, kStickLeft, kStickRight,
    kPadUp, kPadDown, kPadLeft, kPadRight,
    kSouth, kLeftShoulder, kRightShoulder, kNorth, kBack, kStart,
    kSourceCount
};
constexpr BYTE kSourceKey[kSourceCount] = {
    'W', 'S', 'A', 'D', 'W', 'S', 'A', 'D', VK_SPACE, '1', '2', '3', VK_ESCAPE, VK_ESCAPE,
};
// The keys the sources stand for, each once.
constexpr BYTE kGameKeys[] = {'W', 'S', 'A', 'D', VK_SPACE, '1', '2', '3', VK_ESCAPE};
constexpr unsigned kGameKeyCount = sizeof kGameKeys;

// The stick holds a direction past half way and lets it go back inside a third of the way, so a
// thumb resting near the threshold does not chatter.
constexpr int kStickPress = 16384;
constexpr int kStickRelease = 10923;

struct Gamepad {
    SDL_GameController* controller;
    SDL_JoystickID id;
    unsigned held;  // Source bits
};

bool g_enabled = false;
std::vector<Gamepad> g_pads;
unsigned g_keysDown = 0;  // bit k: kGameKeys[k] is down as far as the window heard

Gamepad* Find(SDL_JoystickID id)
{
    for (Gamepad& pad : g_pads) {
        if (pad.id == id) {
            return &pad;
        }
    }
    return nullptr;
}

// A key is down while any source of it is held on any controller; several sources share a key.
bool KeyHeld(BYTE key)
{
    for (const Gamepad& pad : g_pads) {
        for (unsigned s = 0; s < kSourceCount; ++s) {
            if ((pad.held & (1u << s)) != 0 && kSourceKey[s] == key) {
                return true;
            }
        }
    }
    return false;
}

HWND Target()
{
    SDL_Window* focus = SDL_GetKeyboardFocus();
    HWND hWnd = focus != nullptr ? FromSdlId(SDL_GetWindowID(focus)) : nullptr;
    if (hWnd == nullptr) {
        std::vector<HWND> windows = LiveWindows();
        hWnd = windows.empty() ? nullptr : windows.front();
    }
    return hWnd;
}

// Tells the window about every key whose held state changed.
void SendChanges()
{
    HWND hWnd = Target();
    for (unsigned k = 0; k < kGameKeyCount; ++k) {
        const bool down = KeyHeld(kGameKeys[k]);
        if (down == (((g_keysDown >> k) & 1u) != 0)) {
            continue;
        }
        g_keysDown ^= 1u << k;
        if (hWnd != nullptr) {
            PostPlainKey(hWnd, kGameKeys[k], down);
        }
    }
}

void SetSource(Gamepad& pad, unsigned source, bool held)
{
    pad.held = held ? pad.held | (1u << source) : pad.held & ~(1u << source);
}

// One half of the stick's axis: pressed past kStickPress, released inside kStickRelease.
void SetStick(Gamepad& pad, unsigned negative, unsigned positive, int value)
{
    const bool wasNegative = (pad.held & (1u << negative)) != 0;
    const bool wasPositive = (pad.held & (1u << positive)) != 0;
    SetSource(pad, negative, value <= -kStickPress || (wasNegative && value < -kStickRelease));
    SetSource(pad, positive, value >= kStickPress || (wasPositive && value > kStickRelease));
}

bool SourceOfButton(Uint8 button, unsigned* source)
{
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: *source = kPadUp; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: *source = kPadDown; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: *source = kPadLeft; return true;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: *source = kPadRight; return true;
    case SDL_CONTROLLER_BUTTON_A: *source = kSouth; return true;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER: *source = kLeftShoulder; return true;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: *source = kRightShoulder; return true;
    case SDL_CONTROLLER_BUTTON_Y: *source = kNorth; return true;
    case SDL_CONTROLLER_BUTTON_BACK: *source = kBack; return true;
    case SDL_CONTROLLER_BUTTON_START: *source = kStart; return true;
    default: return false;
    }
}

void Open(int deviceIndex)
{
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) {
        return;
    }
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    if (Find(id) != nullptr) {
        SDL_GameControllerClose(controller);  // already ours; drop the second reference
        return;
    }
    // A controller may come with buttons already held: SDL reports only later changes.
    Gamepad pad{controller, id, 0};
    for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
        unsigned source = 0;
        if (SourceOfButton(static_cast<Uint8>(button), &source)) {
            SetSource(pad, source, SDL_GameControllerGetButton(controller, static_cast<SDL_GameControllerButton>(button)) != 0);
        }
    }
    SetStick(pad, kStickLeft, kStickRight, SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX));
    SetStick(pad, kStickUp, kStickDown, SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY));
    g_pads.push_back(pad);
    SendChanges();
}

void Close(SDL_JoystickID id)
{
    for (auto it = g_pads.begin(); it != g_pads.end(); ++it) {
        if (it->id == id) {
            SDL_GameControllerClose(it->controller);
            g_pads.erase(it);
            SendChanges();  // what it held is let go
            return;
        }
    }
}

void CloseAll()
{
    for (Gamepad& pad : g_pads) {
        SDL_GameControllerClose(pad.controller);
    }
    g_pads.clear();
    g_keysDown = 0;
}

}  // namespace

void TranslateGamepadEvent(const SDL_Event& ev)
{
    if (!g_enabled) {
        return;
    }
    switch (ev.type) {
    case SDL_CONTROLLERDEVICEADDED:
        Open(ev.cdevice.which);
        return;
    case SDL_CONTROLLERDEVICEREMOVED:
        Close(ev.cdevice.which);
        return;
    case SDL_CONTROLLERAXISMOTION: {
        Gamepad* pad = Find(ev.caxis.which);
        if (pad == nullptr) {
            return;
        }
        if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) {
            SetStick(*pad, kStickLeft, kStickRight, ev.caxis.value);
        } else if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
            SetStick(*pad, kStickUp, kStickDown, ev.caxis.value);  // up is negative
        }
        SendChanges();
        return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        Gamepad* pad = Find(ev.cbutton.which);
        unsigned source = 0;
        if (pad != nullptr && SourceOfButton(ev.cbutton.button, &source)) {
            SetSource(*pad, source, ev.type == SDL_CONTROLLERBUTTONDOWN);
            SendChanges();
        }
        return;
    }
    default:
        return;
    }
}

void ResetGamepads() { QvEnableGamepads(false); }

}  // namespace qvwin

using namespace qvwin;

void QvEnableGamepads(bool enable)
{
    if (enable == g_enabled) {
        return;
    }
    g_enabled = enable;
    if (enable) {
        // Controllers already plugged in arrive as device-added events, like later ones.
        if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
            g_enabled = false;
        }
        return;
    }
    CloseAll();
    SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}
