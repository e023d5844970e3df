// The MSZIP layer of compressed X files ("tzip", "bzip").
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace xfile {

// Expansion past this is refused whatever the file claims: no model of ours comes near it.
constexpr size_t kMaxExpandedBytes = size_t(256) << 20;

// Expands the body that follows the 16-byte header: a 32-bit size of the whole expanded file
// (header included), then blocks of [16-bit expanded size][16-bit stored size]["CK" + raw
// deflate], each block inflated with the output so far as its dictionary. `out` receives the
// expanded body without the header. False when the body is inconsistent in any way.
bool InflateMszip(const uint8_t* data, size_t size, std::vector<uint8_t>& out);

}  // namespace xfile
