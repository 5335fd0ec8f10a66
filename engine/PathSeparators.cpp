// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathSeparators.h"

#include <algorithm>

namespace saver {

#ifdef _WIN32
constexpr char kSystemSeparator = '\\';
#else
constexpr char kSystemSeparator = '/';
#endif

std::string WithSystemSeparators(std::string path)
{
    std::ranges::replace(path, '/', kSystemSeparator);
    return path;
}

std::string WithSlashes(std::string path)
{
    std::ranges::replace(path, kSystemSeparator, '/');
    return path;
}

} // namespace saver
