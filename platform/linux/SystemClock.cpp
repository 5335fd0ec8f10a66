// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemClock.h"

#include <ctime>

namespace saver {

std::string SystemClock::ClockText()
{
    // localtime_r does not look at the time zone again by itself; tzset lets a zone or
    // daylight-saving change made while the program runs show up on the next call.
    ::tzset();
    const std::time_t now = std::time(nullptr);
    // Should the conversion fail, the zeroed fields still give a text of the promised shape.
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[sizeof "HH:MM:SS"];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

} // namespace saver
