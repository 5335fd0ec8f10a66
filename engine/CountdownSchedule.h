// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClockFields.h"

#include <string>

namespace saver {

// When the next automatic backup is due, worked out afresh from the clock on every tick
// rather than by counting ticks, so a slow or doubled tick cannot shift the schedule.
class CountdownSchedule
{
public:
    struct Tick
    {
        int Remaining = 0; // seconds until the next backup, 1 ... interval
        bool backupDue = false;
        std::string countdown; // "MM:SS" for the countdown label
    };

    void SwitchOn(const ClockFields& now);
    void SwitchOff();
    bool IsOn() const { return m_on; }

    Tick OnTick(const ClockFields& now, int intervalMinutes);
    // Seconds until the next backup, as the next tick at `now` would tell, 1 ... interval.
    int Remaining(const ClockFields& now, int intervalMinutes) const;

private:
    int Elapsed(const ClockFields& now) const;

    int m_startH = 0;
    int m_startM = 0;
    int m_startS = 0;
    // Seconds from the start to the previous tick, so a backup due in between is not lost.
    int m_lastElapsed = 0;
    bool m_on = false;
};

// "04:59" for 299 seconds; minutes above 99 keep all their digits.
std::string CountdownText(int remaining);

} // namespace saver
