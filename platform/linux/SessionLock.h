// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace saver {

// Whether another process holds a record lock (fcntl, as Java's file locks are) on any part of
// the file; false when it is missing or cannot be opened for reading.
bool IsLockedByAnotherProcess(const std::string& path);

} // namespace saver
