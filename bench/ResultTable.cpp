// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResultTable.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <stdexcept>

namespace saver::bench {
namespace {

std::vector<double> Sorted(std::vector<double> values)
{
    if (values.empty())
        throw std::runtime_error("no samples were taken");
    std::ranges::sort(values);
    return values;
}

} // namespace

double SecondsSince(SteadyClock::time_point start)
{
    return std::max(0.0, std::chrono::duration<double>(SteadyClock::now() - start).count());
}

double Median(const std::vector<double>& values)
{
    const std::vector<double> sorted = Sorted(values);
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 == 1 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Worst(const std::vector<double>& values)
{
    return Sorted(values).back();
}

std::string Format(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void PrintRow(const std::string& measure, const std::string& figure, const std::string& target,
              std::optional<bool> met)
{
    const char* verdict = !met ? "—" : (*met ? "yes" : "**no**");
    std::cout << "| " << measure << " | " << figure << " | " << target << " | " << verdict << " |"
              << std::endl;
}

void PrintMedianAndWorst(const std::string& what, const std::vector<double>& times,
                         const std::string& counted, double limit)
{
    const std::string count = " (" + std::to_string(times.size()) + " " + counted + ")";
    const std::string target = Format("< %.0f ms", limit * 1000);
    for (const auto& [name, seconds] :
         {std::pair{", median", Median(times)}, {", worst", Worst(times)}}) {
        PrintRow(what + name + count, Format("%.1f ms", seconds * 1000), target, seconds < limit);
    }
}

} // namespace saver::bench
