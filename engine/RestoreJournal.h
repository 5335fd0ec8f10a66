// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <optional>
#include <string>
#include <system_error>

namespace saver {

// What a whole-save restore writes down before it touches anything, so that a run cut short
// by a kill or a power cut is put right at the next start. Every place the restore uses
// follows from it.
struct RestoreRecord
{
    // How the replaced save is put aside: moved, or, across filesystems, copied.
    enum class Mode { Rename, Copy };
    Mode mode = Mode::Rename;
    bool hadSave = false; // a save was in its place when the restore began
    // The replaced save is whole in the 【恢复前】 folder: a copy of it beside the save may go.
    bool keptWhole = false;
    std::string keptName; // the 【恢复前】 folder in the data folder the replaced save goes to
    std::string target;   // the save's place
};

struct RestorePlaces
{
    RestorePlaces(const FileServices& files, const RestoreRecord& record);

    std::string saveName;
    std::string target;
    std::string partial;  // beside the save: where the backup's copy is put together
    std::string incoming; // the copy in it
    // In the data folder: the replaced save, until it is whole there.
    std::string asideFolder;
    std::string aside;
    std::string keptFolder; // the aside folder under its final name
    std::string kept;
    // Beside the save, across filesystems: the original, until the restored save is in.
    std::string replaced;
};

std::string RestoreJournalPath(const FileServices& files);

// Replaces the record in one step.
std::error_code WriteRestoreRecord(FileServices& files, const RestoreRecord& record);

struct StoredRestoreRecord
{
    bool present = false;
    std::optional<RestoreRecord> record; // empty when present but unreadable
};
StoredRestoreRecord ReadRestoreRecord(FileServices& files);

} // namespace saver
