// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace saver::bench {

// Starts the program ten times, each in a child process, and prints the time until both windows
// were painted and the memory held then.
void TimeStartup(const std::string& appDir);
// The child: puts the program together on `appDir` as app/main.cpp does, shows both windows and
// prints the seconds since `started` (SteadyClock ticks, which the parent shares) and the memory.
void StartupChild(const std::string& appDir, const std::string& started);

// Makes ten whole-save backups of `save` with the main window's Command4. While each runs, a
// one-second PreciseTimer like the countdown's ticks and the quick-save button is pressed every
// 100 ms; prints how late they answered, and the memory held after the first backup.
void TimeDuringCopies(const std::string& save, const std::string& appDir);

} // namespace saver::bench
