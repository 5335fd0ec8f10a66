#include "ResultTable.h"

#include <cstdio>
#include <iostream>

namespace saver::bench {
namespace {

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

} // namespace

void PrintRow(const std::string& measure, const std::string& figure, const std::string& target,
              std::optional<bool> met)
{
    const char* verdict = !met ? "—" : (*met ? "yes" : "**no**");
    std::cout << "| " << measure << " | " << figure << " | " << target << " | " << verdict << " |"
              << std::endl;
}

std::string Milliseconds(double seconds)
{
    return Format("%.1f ms", seconds * 1000);
}

std::string SecondsText(double seconds)
{
    return Format("%.3f s", seconds);
}

std::string Ratio(double value)
{
    return Format(value >= 10 ? "%.0f×" : "%.2f×", value);
}

std::string Mebibytes(double bytes)
{
    return Format("%.1f MiB", bytes / (1024.0 * 1024.0));
}

std::string Megabytes(double bytes)
{
    return Format("%.1f MB", bytes / 1e6);
}

} // namespace saver::bench
