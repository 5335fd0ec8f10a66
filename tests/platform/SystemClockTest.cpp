// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemClock.h"

#include <gtest/gtest.h>

#include <ctime>

namespace saver {
namespace {

// Zones twelve hours apart put one reading past noon, so a 12-hour clock cannot pass. The
// zone changes under a living clock, as it may while the program runs.
TEST(SystemClock, ShowsLocalTimeOfDayInTheZoneOfTheMoment)
{
    SystemClock clock;
    for (const auto& [zone, offset] : {std::pair{"UTC0", 0L},
                                       {"<+12>-12", 12 * 3600L},
                                       {"<-0930>9:30", -(9 * 3600L + 30 * 60)}}) {
        ::setenv("TZ", zone, 1);
        std::time_t now = 0;
        std::string text;
        do { // again should the second turn between the two readings
            now = std::time(nullptr);
            text = clock.ClockText();
        } while (std::time(nullptr) != now);
        const std::time_t shifted = now + offset;
        std::tm fields{};
        char expected[16];
        std::strftime(expected, sizeof expected, "%H:%M:%S", ::gmtime_r(&shifted, &fields));
        EXPECT_EQ(text, expected) << zone;
    }
    ::unsetenv("TZ");
}

} // namespace
} // namespace saver
