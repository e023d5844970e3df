#include "base/win_path.h"

namespace base {

std::string NativePath(const char* path)
{
    std::string out = path ? path : "";
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

}  // namespace base
