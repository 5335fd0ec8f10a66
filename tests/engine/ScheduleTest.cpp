// SPDX-License-Identifier: GPL-3.0-or-later
#include "CountdownSchedule.h"

#include <gtest/gtest.h>

#include <random>

namespace saver {
namespace {

constexpr long kDay = 86400;

// When backups are due, said the plain way: every second between two ticks is looked at.
// The start moves up once its minute is half an hour behind the clock's: minutes only are
// compared, and the countdown jumps when half an hour is no whole number of intervals.
class ScheduleModel
{
public:
    void SwitchOn(long now) { m_start = m_previous = now; }

    // Whether a backup is due on the tick at `now`, and the seconds until the next one.
    std::pair<bool, long> Tick(long now, long interval)
    {
        // Two intervals of seconds hold a backup even where the day wraps.
        bool due = now - m_previous >= 2 * interval;
        for (long s = m_previous + 1; s <= now && !due; ++s)
            due = Elapsed(s) % interval == interval - 1;
        m_previous = now;
        const long remaining = interval - Elapsed(now) % interval;
        if (now / 60 % 60 - m_start / 60 % 60 >= 30)
            SwitchOn(now);
        return {due, remaining};
    }

private:
    long Elapsed(long s) const { return ((s - m_start) % kDay + kDay) % kDay; }

    long m_start = 0;
    long m_previous = 0;
};

ClockFields FieldsOf(long time)
{
    const auto s = static_cast<int>(time % kDay);
    return {s / 3600, s / 60 % 60, s % 60};
}

// Ticks as a busy machine makes them: mostly a second apart, some doubled, some late, some
// after a sleep, some across midnight, some a day later; the interval changes and the switch
// flips now and then.
TEST(Schedule, RandomTickStreamsAgreeWithAPlainModel)
{
    std::mt19937 random(20261206u);
    const auto between = [&](long low, long high) {
        return std::uniform_int_distribution<long>(low, high)(random);
    };
    for (int stream = 0; stream < 100000; ++stream) {
        long now = between(0, 4) == 0 ? kDay - between(1, 900) : between(0, kDay - 1);
        long minutes = between(0, 1) == 0 ? between(1, 3) : between(1, 60);
        CountdownSchedule schedule;
        ScheduleModel model;
        const auto switchOn = [&] { schedule.SwitchOn(FieldsOf(now)), model.SwitchOn(now); };
        switchOn();
        for (long ticks = between(10, 60); ticks > 0; --ticks) {
            if (between(0, 49) == 0) {
                minutes = between(1, 60);
            } else if (between(0, 49) == 0) {
                schedule.SwitchOff();
                now += between(0, 400);
                switchOn();
            }
            const long step = between(0, 99);
            now += step < 80   ? 1
                   : step < 86 ? 0
                   : step < 97 ? between(2, 5)
                   : step < 98 ? kDay - between(1, 5) // the next ticks cross the day's wrap
                               : between(60, kDay / 2);
            const auto [due, remaining] = model.Tick(now, minutes * 60);
            const auto tick = schedule.OnTick(FieldsOf(now), static_cast<int>(minutes));
            ASSERT_EQ(std::pair(tick.backupDue, tick.countdown),
                      std::pair(due, CountdownText(static_cast<int>(remaining))))
                << "stream " << stream << " at " << PlainTime(FieldsOf(now)) << ", " << minutes
                << " min";
        }
    }
}

TEST(ClockTexts, EachHasItsOwnPadding)
{
    for (const auto& [time, stamp, plain, folder] :
         {std::tuple{ClockFields{9, 5, 7}, "09_05_07", "9:5:7", "9_5_7"},
          std::tuple{ClockFields{19, 50, 10}, "19_50_10", "19:50:10", "19_50_10"}}) {
        EXPECT_EQ(std::tuple(BackupStamp(time), PlainTime(time), PlainStamp(time)),
                  std::tuple(stamp, plain, folder));
    }
    EXPECT_EQ(CountdownText(61), "01:01");
    EXPECT_EQ(CountdownText(6000), "100:00");
}

// When the second turns over between the reads of the three fields, they mix two readings.
TEST(ClockTexts, TheClockIsReadOncePerField)
{
    struct TurningClock final : Clock
    {
        int reads = 0;
        std::string ClockText() override { return ++reads == 1 ? "10:59:59" : "11:00:00"; }
    } clock;
    EXPECT_EQ(PlainTime(GetHMS(clock)), "10:0:0");
}

} // namespace
} // namespace saver
