#pragma once

#include "Services.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace saver::test {

// A clock that only moves when a test moves it.
class SettableClock final : public Clock
{
public:
    explicit SettableClock(int h = 10, int m = 0, int s = 0) { Set(h, m, s); }

    void Set(int h, int m, int s)
    {
        std::lock_guard lock(m_mutex);
        m_secondOfDay = ((h * 3600 + m * 60 + s) % 86400 + 86400) % 86400;
    }

    void Advance(int seconds)
    {
        std::lock_guard lock(m_mutex);
        m_secondOfDay = ((m_secondOfDay + seconds) % 86400 + 86400) % 86400;
    }

    std::string ClockText() override
    {
        std::lock_guard lock(m_mutex);
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", m_secondOfDay / 3600,
                      m_secondOfDay / 60 % 60, m_secondOfDay % 60);
        return text;
    }

private:
    std::mutex m_mutex;
    int m_secondOfDay = 0;
};

} // namespace saver::test
