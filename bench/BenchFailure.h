#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace saver::bench {

// A figure taken over a step that failed would mislead, so any failure ends the benchmark.
class BenchFailure : public std::runtime_error
{
public:
    explicit BenchFailure(const std::string& what) : std::runtime_error(what) {}
    BenchFailure(const std::string& what, const std::error_code& error)
        : std::runtime_error(what + ": " + error.message())
    {
    }
};

inline void Check(const std::error_code& error, const std::string& what)
{
    if (error) {
        throw BenchFailure(what, error);
    }
}

} // namespace saver::bench
