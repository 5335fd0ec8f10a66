// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <functional>
#include <string>
#include <system_error>

namespace saver {

// The temporary name a file is written under before it replaces `target`; a fixed name, so
// that a run after a crash finds and removes what the crashed run left.
std::string TemporaryNameFor(const std::string& target);

// The temporary name of a copy into `folder` that is waiting for its final name.
std::string TemporaryInFolder(const std::string& folder);

// Writes a new version of `target` beside it with `write`, then renames it over `target` in
// one step: until the rename the old file stays whole, and on failure it is left as it was
// and the temporary file is removed.
std::error_code ReplaceAtomically(FileServices& files, const std::string& target,
                                  const std::function<std::error_code(const std::string&)>& write);

// Backups never replace one another: `create` is tried with "stem.ext", then
// "stem (2).ext", "stem (3).ext", ... for as long as it fails with file_exists.
// On success `chosen` holds the name that was used.
std::error_code
CreateUnderFreeName(const std::string& stem, const std::string& extension,
                    const std::function<std::error_code(const std::string&)>& create,
                    std::string* chosen = nullptr);

// Copies `from` under the first free name of `stem` and `extension`, as above. The copy is
// made under a temporary name and renamed when complete, so every backup file is whole.
std::error_code CopyUnderFreeName(FileServices& files, const std::string& from,
                                  const std::string& stem, const std::string& extension,
                                  std::string* chosen = nullptr);

// Copies `from` into the new file `to` and checks that `from` did not change while it was
// read; a file the game rewrites in place could otherwise be stored torn. The copy is made
// again a few times, then the file counts as busy (resource_unavailable_try_again).
std::error_code CopySteadily(FileServices& files, const std::string& from, const std::string& to);

// Moves the file `from` to `to` by a rename, or across filesystems by a copy under a temporary
// name beside `to` and the removal of `from`: cut short, it leaves `from` whole, and maybe a
// whole `to` as well. A rename that went through but could not be flushed counts as made.
std::error_code MoveFile(FileServices& files, const std::string& from, const std::string& to,
                         bool replace);

// The text before the last '/', or "" when there is none.
std::string FolderOf(const std::string& path);

} // namespace saver
