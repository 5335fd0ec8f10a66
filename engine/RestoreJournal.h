// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace saver {

// What a restore of a whole save, or of some of its files, writes down before it touches anything,
// so that a run cut short by a kill or a power cut is put right at the next start. Every place the
// restore uses follows from it.
struct RestoreRecord
{
    // How the replaced save is put aside: moved, or, across filesystems, copied. Partial: only
    // some files are replaced, each moved (or copied) alone into the 【恢复前】 folder.
    enum class Mode { Rename, Copy, Partial };
    Mode mode = Mode::Rename;
    bool hadSave = false; // a save was in its place when the restore began
    // The replaced save is whole in the 【恢复前】 folder: a copy of it beside the save may go.
    bool keptWhole = false;
    std::string keptName; // the 【恢复前】 folder in the data folder the replaced save goes to
    std::string target;   // the save's place
    // Partial: what the restore adds to the save, below it: files, and folders (ending in '/')
    // made for them with everything they hold. A file it replaces is known by its original in
    // the 【恢复前】 folder.
    std::vector<std::string> added = {};
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

// Whether the record can be read back: it is kept on one line of limited length.
bool RestoreRecordFits(const RestoreRecord& record);
// Replaces the record in one step.
std::error_code WriteRestoreRecord(FileServices& files, const RestoreRecord& record);

struct StoredRestoreRecord
{
    bool present = false;
    std::optional<RestoreRecord> record; // empty when present but unreadable
};
StoredRestoreRecord ReadRestoreRecord(FileServices& files);

} // namespace saver
