// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FolderListing.h"

#include <cstdint>

namespace saver {

// What a copy goes by to tell that a file has not changed since it was last copied.
bool SameSizeAndTime(const FolderEntry& a, const FolderEntry& b);
// Whether `file` may become a second name of `counterpart` in a shared copy.
bool MayShare(const FolderEntry& file, const FolderEntry& counterpart, std::int64_t olderThanNs);

} // namespace saver
