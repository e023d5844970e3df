// Reading a file whole into memory, the one way every loader does it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace base {

// True with the file's bytes in `out` (none for an empty file). False, with `out` untouched,
// when `path` names nothing that opens, something that is not a regular file (a directory
// opens as a stream on Linux and would read as empty or fail half-way), a file larger than
// `maxBytes`, or one whose first byte cannot be read. A file that shrinks while it is read
// gives what was there.
bool ReadWholeFile(const std::string& path, uint64_t maxBytes, std::vector<uint8_t>* out);

}  // namespace base
