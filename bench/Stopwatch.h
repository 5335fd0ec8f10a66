#pragma once

#include <chrono>

namespace saver::bench {

// Wall time on the monotonic clock, which every process of the machine shares: a time read in
// a child can be compared with one read in its parent.
class Stopwatch
{
public:
    using Clock = std::chrono::steady_clock;

    Stopwatch() : m_start(Clock::now()) {}
    explicit Stopwatch(Clock::time_point start) : m_start(start) {}

    double Seconds() const { return std::chrono::duration<double>(Clock::now() - m_start).count(); }
    Clock::time_point Start() const { return m_start; }

private:
    Clock::time_point m_start;
};

} // namespace saver::bench
