#pragma once

#include <cstdio>
#include <cstdlib>

namespace saver::fuzz {

// A broken property stops the run; libFuzzer keeps the input that broke it.
inline void Require(bool holds, const char* property)
{
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", property);
        std::abort();
    }
}

} // namespace saver::fuzz
