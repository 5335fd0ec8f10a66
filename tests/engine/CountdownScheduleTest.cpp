#include "CountdownSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace saver {
namespace {

struct Step
{
    ClockFields at;
    int intervalMinutes;
    const char* countdown;
    bool backupDue;
};

struct ScheduleCase
{
    const char* name;
    ClockFields switchedOn;
    std::vector<Step> ticks;
};

class Countdown : public testing::TestWithParam<ScheduleCase>
{
};

TEST_P(Countdown, FollowsTheClock)
{
    const ScheduleCase& c = GetParam();
    CountdownSchedule schedule;
    schedule.SwitchOn(c.switchedOn);
    for (const Step& step : c.ticks) {
        SCOPED_TRACE(PlainTime(step.at));
        const CountdownSchedule::Tick tick = schedule.OnTick(step.at, step.intervalMinutes);
        EXPECT_EQ(tick.countdown, step.countdown);
        EXPECT_EQ(tick.backupDue, step.backupDue);
        EXPECT_EQ(schedule.Remaining(), tick.Remaining);
    }
}

std::string CaseName(const testing::TestParamInfo<ScheduleCase>& info)
{
    return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Schedules, Countdown,
    testing::Values(
        ScheduleCase{"FiveMinutesFromTen",
                     {10, 0, 0},
                     {{{10, 0, 1}, 5, "04:59", false},
                      {{10, 4, 58}, 5, "00:02", false},
                      {{10, 4, 59}, 5, "00:01", true},
                      {{10, 5, 0}, 5, "05:00", false},
                      {{10, 9, 59}, 5, "00:01", true}}},
        // Half an hour in, the start moves up to the tick's time.
        ScheduleCase{"RebaseAfterHalfAnHour",
                     {10, 0, 0},
                     {{{10, 29, 59}, 5, "00:01", true},
                      {{10, 30, 0}, 5, "05:00", false},
                      {{10, 30, 1}, 5, "04:59", false}}},
        // With seven minutes the re-base makes the countdown jump up.
        ScheduleCase{"RebaseJumpsUpWithSevenMinutes",
                     {10, 0, 0},
                     {{{10, 29, 59}, 7, "05:01", true},
                      {{10, 30, 0}, 7, "05:00", false},
                      {{10, 30, 1}, 7, "06:59", false}}},
        // Minutes only are compared: from minute 40, 11:05 is not 30 minutes on.
        ScheduleCase{"NoRebaseFromLateStartMinute",
                     {10, 40, 0},
                     {{{11, 9, 59}, 7, "05:01", true},
                      {{11, 10, 0}, 7, "05:00", false},
                      {{11, 10, 1}, 7, "04:59", false}}},
        ScheduleCase{"AcrossMidnight",
                     {23, 50, 0},
                     {{{23, 54, 59}, 5, "00:01", true},
                      {{23, 59, 59}, 5, "00:01", true},
                      {{0, 0, 0}, 5, "05:00", false},
                      {{0, 4, 59}, 5, "00:01", true}}},
        // A late tick still makes the backup of the second it skipped, once.
        ScheduleCase{"LateTickMakesTheSkippedBackup",
                     {10, 0, 0},
                     {{{10, 4, 58}, 5, "00:02", false},
                      {{10, 5, 1}, 5, "04:59", true},
                      {{10, 5, 2}, 5, "04:58", false}}},
        ScheduleCase{"LateTickOverMidnight",
                     {23, 50, 0},
                     {{{23, 59, 58}, 5, "00:02", true}, {{0, 0, 3}, 5, "04:57", true}}},
        ScheduleCase{"DoubledTickBacksUpOnce",
                     {10, 0, 0},
                     {{{10, 4, 59}, 5, "00:01", true}, {{10, 4, 59}, 5, "00:01", false}}},
        ScheduleCase{"FirstTickInTheStartSecond",
                     {10, 0, 0},
                     {{{10, 0, 0}, 1, "01:00", false}, {{10, 0, 59}, 1, "00:01", true}}},
        // A new interval counts from the same start at the next tick.
        ScheduleCase{"IntervalChangedWhileOn",
                     {10, 0, 0},
                     {{{10, 0, 10}, 5, "04:50", false},
                      {{10, 0, 11}, 1, "00:49", false},
                      {{10, 0, 59}, 1, "00:01", true},
                      {{10, 1, 0}, 60, "59:00", false}}}),
    CaseName);

TEST(Countdown, SwitchingOnAgainTakesANewStart)
{
    CountdownSchedule schedule;
    schedule.SwitchOn({10, 0, 0});
    schedule.OnTick({10, 2, 0}, 5);
    schedule.SwitchOff();
    EXPECT_FALSE(schedule.IsOn());
    EXPECT_EQ(schedule.Remaining(), 180); // the last value stays
    schedule.SwitchOn({10, 3, 0});
    EXPECT_EQ(schedule.OnTick({10, 3, 1}, 5).countdown, "04:59");
}

TEST(Countdown, TextKeepsEveryMinuteDigit)
{
    EXPECT_EQ(CountdownText(3600), "60:00");
    EXPECT_EQ(CountdownText(61), "01:01");
    EXPECT_EQ(CountdownText(6000), "100:00");
}

} // namespace
} // namespace saver
