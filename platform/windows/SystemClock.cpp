// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemClock.h"

#include "Win32.h"

#include <cstdio>

namespace saver {

std::string SystemClock::ClockText()
{
    // GetLocalTime follows a change of time zone or daylight saving at once.
    SYSTEMTIME local = {};
    ::GetLocalTime(&local);
    char text[sizeof "HH:MM:SS"];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", local.wHour % 24u, local.wMinute % 60u,
                  local.wSecond % 60u);
    return text;
}

} // namespace saver
