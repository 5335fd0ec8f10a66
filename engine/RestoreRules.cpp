// SPDX-License-Identifier: GPL-3.0-or-later
#include "RestoreRules.h"

namespace saver {

bool SaveInUse(FileServices& files, const std::string& saveFolder)
{
    return !saveFolder.empty() && files.IsLockedByAnotherProcess(saveFolder + "/session.lock");
}

bool KeepForGood(FileServices& files, const BackupEntry& backup)
{
    return !backup.CanPin() || !SetPinned(files, backup, true);
}

QuickResult RestoreLevelDat(FileServices& files, const BackupEntry& backup,
                            const std::string& chosenLevelDat, const ClockFields& now)
{
    QuickResult result = QuickSlot(files).RestoreFrom(backup.path, chosenLevelDat, now);
    if (result.outcome == QuickResult::Outcome::Done)
        result.notKept = !KeepForGood(files, backup);
    return result;
}

} // namespace saver
