// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace saver {

std::int64_t ModifiedNs(const struct stat& info);
// What a copy goes by to tell that a file has not changed since it was last copied.
bool SameSizeAndTime(const struct stat& a, const struct stat& b);
// Whether `file` may become a second name of `counterpart` in a shared copy.
bool MayShare(const struct stat& file, const struct stat& counterpart, std::int64_t olderThanNs);

} // namespace saver
