// SPDX-License-Identifier: GPL-3.0-or-later
#include "ClockFields.h"

namespace saver {

namespace {

// The integer value of two characters of the clock text; "HH:MM:SS" always has them.
int FieldAt(const std::string& clockText, std::size_t first)
{
    int value = 0;
    for (std::size_t i = first; i < first + 2 && i < clockText.size(); ++i) {
        const char c = clockText[i];
        if (c >= '0' && c <= '9')
            value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

ClockFields GetHMS(Clock& clock)
{
    ClockFields fields;
    fields.NowH = FieldAt(clock.ClockText(), 0);
    fields.NowM = FieldAt(clock.ClockText(), 3);
    fields.NowS = FieldAt(clock.ClockText(), 6);
    return fields;
}

std::string TwoDigit(int number)
{
    return number > 9 ? std::to_string(number) : "0" + std::to_string(number);
}

std::string BackupStamp(const ClockFields& time)
{
    return TwoDigit(time.NowH) + "_" + TwoDigit(time.NowM) + "_" + TwoDigit(time.NowS);
}

std::string PlainTime(const ClockFields& time)
{
    return std::to_string(time.NowH) + ":" + std::to_string(time.NowM) + ":" +
           std::to_string(time.NowS);
}

std::string PlainStamp(const ClockFields& time)
{
    return std::to_string(time.NowH) + "_" + std::to_string(time.NowM) + "_" +
           std::to_string(time.NowS);
}

} // namespace saver
