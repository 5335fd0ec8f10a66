#include "CountdownSchedule.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <random>

namespace saver {
namespace {

constexpr long kDay = 86400;

// When backups are due, said the plain way: walk every second between two ticks.
class ScheduleModel
{
public:
    void SwitchOn(long now)
    {
        m_start = now;
        m_previous = now;
    }

    // Returns whether a backup is due on the tick at `now` and the seconds remaining.
    std::pair<bool, long> Tick(long now, long interval)
    {
        bool due = false;
        for (long s = m_previous + 1; s <= now; ++s)
            due = due || Elapsed(s) % interval == interval - 1;
        m_previous = now;
        const long remaining = interval - Elapsed(now) % interval;
        if (Minute(now) - Minute(m_start) >= 30)
            SwitchOn(now);
        return {due, remaining};
    }

private:
    long Elapsed(long s) const { return ((s - m_start) % kDay + kDay) % kDay; }
    static long Minute(long s) { return s % kDay / 60 % 60; }

    long m_start = 0;
    long m_previous = 0;
};

ClockFields FieldsOf(long absolute)
{
    const long s = absolute % kDay;
    return {static_cast<int>(s / 3600), static_cast<int>(s / 60 % 60), static_cast<int>(s % 60)};
}

TEST(ScheduleModel, RandomTickStreamsAgreeWithTheModel)
{
    const char* chosenSeed = std::getenv("SCHEDULE_SEED");
    const auto seed =
        static_cast<unsigned>(chosenSeed ? std::strtoul(chosenSeed, nullptr, 10) : 20261206u);
    std::mt19937 random(seed);
    const auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    const auto between = [&](long low, long high) {
        return std::uniform_int_distribution<long>(low, high)(random);
    };

    constexpr int kStreams = 100000;
    long ticks = 0;
    long backups = 0;
    for (int stream = 0; stream < kStreams; ++stream) {
        long now = between(0, kDay - 1);
        // A few streams start just before midnight, where the day wraps.
        if (chance(20))
            now = kDay - between(1, 900);
        int minutes = static_cast<int>(between(1, 60));
        if (chance(50))
            minutes = static_cast<int>(between(1, 3));
        CountdownSchedule schedule;
        ScheduleModel model;
        schedule.SwitchOn(FieldsOf(now));
        model.SwitchOn(now);
        const int length = static_cast<int>(between(10, 60));
        for (int i = 0; i < length; ++i) {
            if (chance(2)) {
                minutes = static_cast<int>(between(1, 60));
            } else if (chance(2)) {
                schedule.SwitchOff();
                now += between(0, 400);
                schedule.SwitchOn(FieldsOf(now));
                model.SwitchOn(now);
            }
            if (chance(80))
                now += 1;
            else if (chance(30))
                now += 0; // two ticks in one clock second
            else if (chance(90))
                now += between(2, 5); // a late tick
            else
                now += between(60, 7200); // the machine slept
            const auto [due, remaining] = model.Tick(now, minutes * 60L);
            const CountdownSchedule::Tick tick = schedule.OnTick(FieldsOf(now), minutes);
            ++ticks;
            backups += due;
            if (tick.backupDue != due || tick.Remaining != remaining ||
                tick.countdown != CountdownText(static_cast<int>(remaining))) {
                FAIL() << "seed " << seed << ", stream " << stream << ", tick " << i << " at "
                       << PlainTime(FieldsOf(now)) << " with " << minutes
                       << " min: engine due=" << tick.backupDue << " remaining=" << tick.Remaining
                       << ", model due=" << due << " remaining=" << remaining;
            }
        }
    }
    std::cout << "tick streams compared: " << kStreams << " (" << ticks << " ticks, " << backups
              << " backups, seed " << seed << ")\n";
}

} // namespace
} // namespace saver
