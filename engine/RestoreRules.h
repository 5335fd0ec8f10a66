// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupCatalogue.h"
#include "ClockFields.h"
#include "QuickSlot.h"
#include "Services.h"

#include <string>

namespace saver {

// What every restore from the list of backups keeps to, of a whole save or of level.dat alone.

// The game holds session.lock in a save it has open, and would write over what a restore puts
// there.
bool SaveInUse(FileServices& files, const std::string& saveFolder);

// The backup a restore went back to is kept for good, whatever the pruning rules say; false
// when its mark could not be written.
bool KeepForGood(FileServices& files, const BackupEntry& backup);

// Puts a copy of level.dat from the list in place of the chosen one, with the safety copy a
// quick restore makes, and keeps the copy for good.
QuickResult RestoreLevelDat(FileServices& files, const BackupEntry& backup,
                            const std::string& chosenLevelDat, const ClockFields& now);

} // namespace saver
