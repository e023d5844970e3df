// A virtual game controller for the gamepad suites: SDL's virtual joystick with the standard
// controller layout, whose buttons and axes the test sets.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

namespace gamepadtest {

class VirtualPad {
public:
    VirtualPad()
    {
        SDL_VirtualJoystickDesc desc;
        SDL_zero(desc);
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Quorvel test pad";
        const int index = SDL_JoystickAttachVirtualEx(&desc);
        EXPECT_GE(index, 0) << SDL_GetError();
        joystick_ = index >= 0 ? SDL_JoystickOpen(index) : nullptr;
        EXPECT_NE(joystick_, nullptr) << SDL_GetError();
        id_ = joystick_ != nullptr ? SDL_JoystickInstanceID(joystick_) : -1;
    }
    ~VirtualPad() { Unplug(); }
    VirtualPad(const VirtualPad&) = delete;
    VirtualPad& operator=(const VirtualPad&) = delete;

    void Button(SDL_GameControllerButton button, bool down)
    {
        ASSERT_EQ(SDL_JoystickSetVirtualButton(joystick_, button, down ? 1 : 0), 0) << SDL_GetError();
    }
    void Axis(SDL_GameControllerAxis axis, Sint16 value)
    {
        ASSERT_EQ(SDL_JoystickSetVirtualAxis(joystick_, axis, value), 0) << SDL_GetError();
    }
    // Pulls the pad out; its device index is looked up again, as others may have gone before it.
    void Unplug()
    {
        if (joystick_ == nullptr) {
            return;
        }
        SDL_JoystickClose(joystick_);
        joystick_ = nullptr;
        for (int i = 0; i < SDL_NumJoysticks(); ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) == id_) {
                SDL_JoystickDetachVirtual(i);
                break;
            }
        }
    }
    SDL_JoystickID id() const { return id_; }

private:
    SDL_Joystick* joystick_ = nullptr;
    SDL_JoystickID id_ = -1;
};

}  // namespace gamepadtest
