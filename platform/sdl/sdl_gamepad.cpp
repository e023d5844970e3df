// Game controllers as the keyboard: each controller's buttons and left stick hold the game's
// keys, and a key goes down when the first controller holds it and up when the last lets go.
#include <vector>

#include <qv_live.h>

#include "platform/core/win32_gamepad_keys.h"
#include "platform/core/win32_key_table.h"
#include "platform/sdl/sdl_internal.h"

namespace qvwin {
namespace {

struct Gamepad {
    SDL_GameController* controller;
    SDL_JoystickID id;
};

bool g_enabled = false;
std::vector<Gamepad> g_pads;
GamepadKeys g_keys;

Gamepad* Find(SDL_JoystickID id)
{
    for (Gamepad& pad : g_pads) {
        if (pad.id == id) {
            return &pad;
        }
    }
    return nullptr;
}

HWND FocusedWindow()
{
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return focus != nullptr ? FromSdlId(SDL_GetWindowID(focus)) : nullptr;
}

HWND FirstWindow()
{
    return FindLiveWindow([](const Surface&) { return true; });
}

// Tells the window about every key whose held state changed.
void SendChanges() { PostGamepadChanges(g_keys, GamepadWindows{FocusedWindow, FirstWindow, ScanCodeOf}); }

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
    unsigned* held = g_keys.Held(id);
    *held = 0;
    for (int button = 0; button < SDL_CONTROLLER_BUTTON_MAX; ++button) {
        unsigned source = 0;
        if (SourceOfButton(static_cast<Uint8>(button), &source)) {
            SetGamepadSource(held, source,
                             SDL_GameControllerGetButton(controller, static_cast<SDL_GameControllerButton>(button)) != 0);
        }
    }
    SetGamepadStick(held, kStickLeft, kStickRight, SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTX));
    SetGamepadStick(held, kStickUp, kStickDown, SDL_GameControllerGetAxis(controller, SDL_CONTROLLER_AXIS_LEFTY));
    g_pads.push_back(Gamepad{controller, id});
    SendChanges();
}

void Close(SDL_JoystickID id)
{
    for (auto it = g_pads.begin(); it != g_pads.end(); ++it) {
        if (it->id == id) {
            SDL_GameControllerClose(it->controller);
            g_pads.erase(it);
            g_keys.Remove(id);
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
    g_keys.Clear();
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
            SetGamepadStick(g_keys.Held(pad->id), kStickLeft, kStickRight, ev.caxis.value);
        } else if (ev.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
            SetGamepadStick(g_keys.Held(pad->id), kStickUp, kStickDown, ev.caxis.value);  // up is negative
        }
        SendChanges();
        return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        Gamepad* pad = Find(ev.cbutton.which);
        unsigned source = 0;
        if (pad != nullptr && SourceOfButton(ev.cbutton.button, &source)) {
            SetGamepadSource(g_keys.Held(pad->id), source, ev.type == SDL_CONTROLLERBUTTONDOWN);
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
