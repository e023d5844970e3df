// libFuzzer entry for the replay harness's key-script parser: any text in, a script or a
// one-line error out. A parsed script holds only the nine script keys, and no frame a run can
// reach is too costly to ask about.
#include "tools/quorvel-replay/key_script.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

namespace {

void Check(bool ok)
{
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    replay::KeyScript script;
    std::string error;
    if (!script.Parse(in, &error)) {
        Check(!error.empty() && error.find('\n') == std::string::npos);
        return 0;
    }
    const uint16_t allKeys = (1u << replay::kScriptKeyCount) - 1;
    const int64_t frames[] = {0, 1, 2, 3, 10, 100, 1000, 65535, 65536, int64_t(1) << 31, int64_t(1) << 40,
                              (int64_t(1) << 40) + 1, INT64_MAX, -1, INT64_MIN};
    for (int64_t frame : frames) Check((script.Held(frame) & ~allKeys) == 0);
    return 0;
}
