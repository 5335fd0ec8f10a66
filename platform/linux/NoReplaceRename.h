// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <string>
#include <system_error>

namespace saver {

using RenameCall = int (*)(int fromFolder, const char* from, int toFolder, const char* to,
                           unsigned flags);

// Renames a file or folder unless `to` is taken, failing with file_exists then. Where the
// filesystem has no such rename (some network and FUSE ones), a file is linked under its new
// name and unlinked under the old; a folder is renamed once the name is seen free. `rename`
// is renameat2 except in tests, which make it refuse as those filesystems do.
std::error_code RenameWithoutReplacing(const std::string& from, const std::string& to,
                                       RenameCall rename = ::renameat2);

} // namespace saver
