#include "platform/core/win32_gamepad_keys.h"

namespace qvwin {
namespace {

constexpr BYTE kSourceKey[kGamepadSourceCount] = {
    'W', 'S', 'A', 'D', 'W', 'S', 'A', 'D', VK_SPACE, '1', '2', '3', VK_ESCAPE, VK_ESCAPE,
};
// The keys the sources stand for, each once.
constexpr BYTE kGameKeys[] = {'W', 'S', 'A', 'D', VK_SPACE, '1', '2', '3', VK_ESCAPE};
constexpr unsigned kGameKeyCount = sizeof kGameKeys;

constexpr int kStickPress = 16384;
constexpr int kStickRelease = 10923;

}  // namespace

void SetGamepadSource(unsigned* held, unsigned source, bool down)
{
    *held = down ? *held | (1u << source) : *held & ~(1u << source);
}

void SetGamepadStick(unsigned* held, unsigned negative, unsigned positive, int value)
{
    const bool wasNegative = (*held & (1u << negative)) != 0;
    const bool wasPositive = (*held & (1u << positive)) != 0;
    SetGamepadSource(held, negative, value <= -kStickPress || (wasNegative && value < -kStickRelease));
    SetGamepadSource(held, positive, value >= kStickPress || (wasPositive && value > kStickRelease));
}

unsigned* GamepadKeys::Held(int id)
{
    for (auto& pad : pads_) {
        if (pad.first == id) return &pad.second;
    }
    pads_.emplace_back(id, 0u);
    return &pads_.back().second;
}

bool GamepadKeys::Known(int id) const
{
    for (const auto& pad : pads_) {
        if (pad.first == id) return true;
    }
    return false;
}

void GamepadKeys::Remove(int id)
{
    for (auto it = pads_.begin(); it != pads_.end(); ++it) {
        if (it->first == id) {
            pads_.erase(it);
            return;
        }
    }
}

void GamepadKeys::Clear()
{
    pads_.clear();
    keysDown_ = 0;
}

bool GamepadKeys::KeyHeld(BYTE key) const
{
    for (const auto& pad : pads_) {
        for (unsigned s = 0; s < kGamepadSourceCount; ++s) {
            if ((pad.second & (1u << s)) != 0 && kSourceKey[s] == key) return true;
        }
    }
    return false;
}

void GamepadKeys::SendChanges(const std::function<void(BYTE key, bool down)>& post)
{
    for (unsigned k = 0; k < kGameKeyCount; ++k) {
        const bool down = KeyHeld(kGameKeys[k]);
        if (down == (((keysDown_ >> k) & 1u) != 0)) continue;
        keysDown_ ^= 1u << k;
        post(kGameKeys[k], down);
    }
}

void PostGamepadChanges(GamepadKeys& keys, const GamepadWindows& windows)
{
    HWND target = nullptr;
    bool chosen = false;
    keys.SendChanges([&](BYTE key, bool down) {
        if (!chosen) {
            chosen = true;
            target = windows.focused();
            if (target == nullptr) target = windows.first();
        }
        if (target == nullptr) return;
        DWORD lParam = 1u | ((windows.scanCode(key) & 0xFFu) << 16);
        if (!down) lParam |= 3u << 30;
        PostMessageA(target, down ? WM_KEYDOWN : WM_KEYUP, key, static_cast<LPARAM>(lParam));
    });
}

}  // namespace qvwin
