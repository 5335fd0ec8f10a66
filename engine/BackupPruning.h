// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupOptions.h"
#include "Services.h"

#include <string>
#include <system_error>

namespace saver {

struct PruneOutcome
{
    std::error_code error;
    std::string failedPath; // the backup whose removal failed; nothing after it was touched
};

// Applies the player's rules after a whole-save backup was made: the oldest scheduled
// backups go first, manual ones only when the player allowed it, pinned ones and `justMade`
// never. Only folders the program named as backups, in the data folder, are ever removed.
PruneOutcome PruneWholeSaveBackups(FileServices& files, const BackupOptions& options,
                                   const std::string& justMade);

} // namespace saver
