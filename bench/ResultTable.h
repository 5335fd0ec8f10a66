#pragma once

#include <optional>
#include <string>

namespace saver::bench {

// One line of the table scripts/bench prints, in Markdown so that it can go into
// docs/performance.md as it is. Lines go to standard output; everything else goes to the
// standard error.
void PrintRow(const std::string& measure, const std::string& figure, const std::string& target,
              std::optional<bool> met);

std::string Milliseconds(double seconds);
std::string SecondsText(double seconds);
std::string Ratio(double value);
std::string Mebibytes(double bytes);
// Millions of bytes, the unit memory targets are given in.
std::string Megabytes(double bytes);

} // namespace saver::bench
