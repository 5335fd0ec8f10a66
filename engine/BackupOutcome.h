// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupOptions.h"
#include "ClockFields.h"
#include "WholeSaveJob.h"

#include <string>
#include <system_error>

namespace saver {

// What became of one backup, scheduled or asked for: the windows decide from `kind` what to
// show, log and alert, and make their texts from the figures.
struct BackupOutcome
{
    enum class Kind {
        Started,   // a whole-save copy is under way; its own outcome follows
        Made,      // the backup is on disk
        Unchanged, // the save is as it was at the last backup, which the player asked to skip
        Busy,      // refused: the last whole-save backup is not finished
        NoSave,    // refused: no level.dat is chosen
        Failed,
    };
    Kind kind = Kind::Made;
    BackupKind backup = BackupKind::WholeSave;
    ClockFields when;
    int number = 0;        // a whole-save backup's count in this run, once made
    WholeSaveResult copy;  // a whole-save backup's figures and, failed, what stopped it
    std::error_code error; // why a single-file backup failed
    std::string folder;    // where the backup was being written
};

} // namespace saver
