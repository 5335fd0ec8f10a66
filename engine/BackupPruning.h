// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupHolds.h"
#include "BackupOptions.h"
#include "Services.h"

#include <string>
#include <system_error>
#include <vector>

namespace saver {

struct PruneOutcome
{
    std::error_code error;
    std::string failedPath; // the backup whose removal failed; nothing after it was touched
    // Symbolic links named like backups: never followed, never removed.
    std::vector<std::string> skippedLinks;
};

// Applies the player's rules after a whole-save backup was made. The count is kept for each
// save on its own, the size for all backups together; the oldest scheduled backups go first,
// manual ones only when the player allowed it, pinned ones, held ones and `justMade` never.
// Only folders the program named as backups, in the data folder, are ever removed.
PruneOutcome PruneWholeSaveBackups(FileServices& files, BackupHolds& holds,
                                   const BackupOptions& options, const std::string& justMade);

} // namespace saver
