// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

namespace saver {

// Removes the folder `path` and everything in it. Links are removed, never followed, and
// folders their owner made read-only are opened up again so they can be emptied.
std::error_code RemoveFolderTree(const std::string& path);

} // namespace saver
