#pragma once

#include "core/FileUtil.h"
#include "core/Host.h"

#include <cstddef>
#include <cstdint>

namespace bf {

// Writes `size` bytes, one piece per percent, and shows i * 100 / size before byte i as a
// byte-by-byte loop would: each percentage from 1 to 99 once, in order, when that share of the
// bytes is in the file. 0 is left to the caller (it is where a reset bar starts).
bool WriteShowingProgress(Host& host, AtomicFileWriter& file, const std::uint8_t* bytes, std::size_t size);

} // namespace bf
