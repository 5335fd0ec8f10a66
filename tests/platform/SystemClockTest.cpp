#include "SystemClock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace saver {
namespace {

// Puts TZ back as it was, so later tests see the machine's own zone.
class ZoneGuard
{
public:
    ZoneGuard()
    {
        if (const char* zone = std::getenv("TZ")) {
            m_saved = zone;
        }
    }
    ~ZoneGuard()
    {
        if (m_saved) {
            ::setenv("TZ", m_saved->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

private:
    std::optional<std::string> m_saved;
};

std::string TimeOfDay(std::time_t utc, long offsetSeconds)
{
    const std::time_t shifted = utc + offsetSeconds;
    std::tm fields{};
    ::gmtime_r(&shifted, &fields);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &fields);
    return text;
}

// The clock text next to the expected text for the same second. A second may turn between
// the two readings; a few rounds always find a pair taken within one second.
void ExpectClockShows(SystemClock& clock, long offsetSeconds)
{
    for (int round = 0; round < 5; ++round) {
        const std::time_t before = std::time(nullptr);
        const std::string text = clock.ClockText();
        if (std::time(nullptr) == before) {
            EXPECT_EQ(text, TimeOfDay(before, offsetSeconds));
            return;
        }
    }
    FAIL() << "the second turned during every round";
}

struct Zone
{
    const char* name;
    const char* tz;
    long offsetSeconds;
};

class ClockTextTest : public ::testing::TestWithParam<Zone>
{
};

// Zones twelve hours apart put one reading past noon, so a 12-hour clock cannot pass.
TEST_P(ClockTextTest, ShowsLocalTimeOfDay)
{
    ZoneGuard guard;
    ::setenv("TZ", GetParam().tz, 1);
    ::tzset();
    SystemClock clock;
    ExpectClockShows(clock, GetParam().offsetSeconds);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, ClockTextTest,
    ::testing::Values(Zone{"Utc", "UTC0", 0}, Zone{"TwelveEast", "<+12>-12", 12 * 3600},
                      Zone{"HalfHourWest", "<-0930>9:30", -(9 * 3600 + 30 * 60)}),
    [](const auto& tested) { return tested.param.name; });

TEST(ClockTextZoneChangeTest, FollowsZoneChangedWhileRunning)
{
    ZoneGuard guard;
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    SystemClock clock;
    ExpectClockShows(clock, 0);
    ::setenv("TZ", "<+05>-5", 1);
    ExpectClockShows(clock, 5 * 3600);
}

} // namespace
} // namespace saver
