// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountdownSchedule.h"

namespace saver {

namespace {

constexpr int kSecondsPerDay = 86400;

// Whether some elapsed second v with from < v <= to falls on a backup, that is on
// v mod interval = interval - 1. Requires -1 <= from <= to.
bool BackupBetween(int from, int to, int interval)
{
    return (to + 1) / interval > (from + 1) / interval;
}

} // namespace

void CountdownSchedule::SwitchOn(const ClockFields& now)
{
    m_startH = now.NowH;
    m_startM = now.NowM;
    m_startS = now.NowS;
    m_lastElapsed = 0;
    m_on = true;
}

void CountdownSchedule::SwitchOff()
{
    m_on = false;
}

int CountdownSchedule::Elapsed(const ClockFields& now) const
{
    // Counted modulo a day, so the schedule carries on past midnight.
    const int raw =
        (now.NowH - m_startH) * 3600 + (now.NowM - m_startM) * 60 + (now.NowS - m_startS);
    return (raw % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
}

int CountdownSchedule::Remaining(const ClockFields& now, int intervalMinutes) const
{
    const int interval = intervalMinutes * 60;
    return interval - Elapsed(now) % interval;
}

CountdownSchedule::Tick CountdownSchedule::OnTick(const ClockFields& now, int intervalMinutes)
{
    const int interval = intervalMinutes * 60;
    const int elapsed = Elapsed(now);

    Tick tick;
    tick.Remaining = Remaining(now, intervalMinutes);
    // Every second since the previous tick is looked at, so a late tick still makes the
    // backup it skipped over, and a second tick in the same second makes none.
    const int passed = (elapsed - m_lastElapsed + kSecondsPerDay) % kSecondsPerDay;
    const int last = m_lastElapsed + passed;
    if (last < kSecondsPerDay) {
        tick.backupDue = BackupBetween(m_lastElapsed, last, interval);
    } else {
        tick.backupDue = BackupBetween(m_lastElapsed, kSecondsPerDay - 1, interval) ||
                         BackupBetween(-1, last - kSecondsPerDay, interval);
    }
    tick.countdown = CountdownText(tick.Remaining);
    m_lastElapsed = elapsed;

    // The start moves up once half an hour has passed. Only the minutes are compared, not
    // the hours, so this happens at most once per switch-on, and the countdown jumps up
    // then whenever half an hour is not a whole number of intervals.
    if (now.NowM - m_startM >= 30) {
        m_startH = now.NowH;
        m_startM = now.NowM;
        m_startS = now.NowS;
        m_lastElapsed = 0;
    }
    return tick;
}

std::string CountdownText(int remaining)
{
    return TwoDigit(remaining / 60) + ":" + TwoDigit(remaining % 60);
}

} // namespace saver
