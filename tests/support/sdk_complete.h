// The base of the recording device and its fakes: the Direct3D 9 interface, made complete.
// Our Linux headers declare only the methods the engine calls, and the fakes implement those;
// the SDK's headers declare every method, so on Windows the rest answer E_NOTIMPL (or zero).
// Real COM interfaces have no virtual destructor; the fakes are deleted through this class.
#pragma once

#include <d3d9.h>

template <class Interface>
class SdkComplete : public Interface {
public:
    virtual ~SdkComplete() = default;
};

#ifdef _WIN32
#include "support/sdk_complete_windows.h"
#endif
