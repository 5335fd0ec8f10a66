// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace saver {

// The engine writes paths with '/'. Windows programs, and the players who use them, write
// them with '\': saver.ini holds them so and texts show them so. On Linux a backslash is a
// character of a name, and both leave a path as it is.
std::string WithSystemSeparators(std::string path);
std::string WithSlashes(std::string path);

} // namespace saver
