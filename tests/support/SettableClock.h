// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace saver::test {

// A clock that only moves when a test moves it.
class SettableClock final : public Clock
{
public:
    explicit SettableClock(int h = 10, int m = 0, int s = 0) : m_second(h * 3600 + m * 60 + s) {}
    void Advance(int seconds) { m_second = (m_second + seconds) % 86400; }

    std::string ClockText() override
    {
        char text[16];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", m_second / 3600, m_second / 60 % 60,
                      m_second % 60);
        return text;
    }

private:
    std::atomic<int> m_second;
};

} // namespace saver::test
