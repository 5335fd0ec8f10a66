#pragma once

#include <cstdint>

namespace saver::bench {

// The memory the process holds in RAM now (VmRSS), in bytes.
std::uint64_t ResidentBytes();

} // namespace saver::bench
