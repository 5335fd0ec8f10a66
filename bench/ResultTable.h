// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace saver::bench {

using SteadyClock = std::chrono::steady_clock;

// The seconds from `start` until now; never below zero, as a timer may fire a little early.
double SecondsSince(SteadyClock::time_point start);
// Repeated timings are reported by their median, which a single run disturbed by the machine's
// other work does not move, and by their worst.
double Median(const std::vector<double>& values);
double Worst(const std::vector<double>& values);
// `value` as printf shows it, as in Format("%.1f ms", seconds * 1000).
std::string Format(const char* format, double value);

// One row of the Markdown table that scripts/bench prints and docs/performance.md shows. Rows go
// to standard output; everything else goes to the standard error.
void PrintRow(const std::string& measure, const std::string& figure, const std::string& target = "",
              std::optional<bool> met = std::nullopt);
// Rows for the median and the worst of `times`, each met when under `limit` seconds.
void PrintMedianAndWorst(const std::string& what, const std::vector<double>& times,
                         const std::string& counted, double limit);

} // namespace saver::bench
