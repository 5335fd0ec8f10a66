// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <string>

namespace saver {

// The time of day split into the three fields every backup name and the countdown use.
struct ClockFields
{
    int NowH = 0;
    int NowM = 0;
    int NowS = 0;
};

// Reads the clock once per field, as the program always has: when the second turns over
// between the reads the fields mix two readings, and nothing corrects that.
ClockFields GetHMS(Clock& clock);

std::string TwoDigit(int number);                 // 5 -> "05", 12 -> "12"
std::string BackupStamp(const ClockFields& time); // "09_05_07", names single-file backups
std::string PlainTime(const ClockFields& time);   // "9:5:7", shown in the status labels
std::string PlainStamp(const ClockFields& time);  // "9_5_7", names whole-save folders

} // namespace saver
