// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CheckRecord.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace saver {

// A whole-save backup folder in the data folder: 【3】9_5_7, or 【3】9_5_7 (2) when that name
// was taken, holding a copy of the save folder and the program's marks.
struct WholeSaveBackup
{
    std::string path;
    std::string saveName;    // the name of the save folder copied into it
    std::int64_t madeNs = 0; // when the backup started
    // Counts up with every backup the program makes, whatever the clock says; 0 for one made
    // before backups were numbered.
    std::uint64_t sequence = 0;
    bool manual = false;      // made with "整体手动保存"
    bool pinned = false;      // kept for good: no rule removes it
    bool worldClosed = false; // made when the player left the world
    CheckRecord check;        // what its last check against the manifest found

    // Backups in the order they were made: a clock set wrong at the time moves none of them.
    bool MadeBefore(const WholeSaveBackup& other) const;
    bool Damaged() const { return check.state == CheckRecord::State::Damaged; }
};

// Anything in the data folder the program made that a save can be restored from.
struct BackupEntry
{
    enum class Kind {
        WholeSave,       // 【3】9_5_7/<save>
        BeforeRestore,   // 【恢复前】2026-12-07 01_02_03/<save>
        Character,       // 【存档】leveldat/09_05_07level.dat
        BeforeOverwrite, // 【刷物】leveldat/09_05_07level.dat, kept by a restore of level.dat
        QuickSlot,       // tmp.back
    };

    std::string path;
    Kind kind = Kind::WholeSave;
    std::string saveName;            // folders only: the save folder inside
    std::int64_t madeNs = 0;         // when it was made, as far as the program knows
    std::uint64_t bytes = 0;         // a folder's space on disk, a file's length
    std::uint64_t unsharedBytes = 0; // folders: what removing this one alone would free
    bool pinned = false;
    CheckRecord check;        // folders: what the last check against the manifest found
    std::string note;         // the player's, as ReadNote gives it
    bool worldClosed = false; // made when the player left the world
    // Whole-save backups only: where restic stands with it.
    enum class Offsite { None, Waiting, Uploaded, Failed };
    Offsite offsite = Offsite::None;

    bool IsFolder() const { return kind == Kind::WholeSave || kind == Kind::BeforeRestore; }
    // The slot is replaced by every quick save; keeping it for good would stop quick saves.
    bool CanPin() const { return kind != Kind::QuickSlot; }
};

// Whether `name` is one the program gives its whole-save backup folders.
bool IsWholeSaveBackupName(const std::string& name);

// Whether `name`, found in the data folder, is something the program keeps there: its
// settings, its slot, its backups, its lock and executable, their temporary names.
bool IsProgramFileName(const std::string& name);

bool IsBeforeRestoreName(const std::string& name);

// The save folder a whole-save backup folder holds, or "" when it holds none.
std::string SaveNameIn(FileServices& files, const std::string& backupFolder);

// The whole-save backups in the data folder, oldest first. A symbolic link named like a
// backup is not one: it is left out, and named in `links` when asked for.
std::vector<WholeSaveBackup> ListWholeSaveBackups(FileServices& files,
                                                  std::vector<std::string>* links = nullptr);

// The line a backup's kMadeMark holds.
std::string MadeMarkText(std::uint64_t sequence, std::int64_t madeNs);

// What all whole-save backups take on disk, a file they share counted once.
DiskUsage MeasureWholeSaveBackups(FileServices& files);

// Every backup, safety copy and the quick slot in the data folder, newest first.
std::vector<BackupEntry> ListBackups(FileServices& files);

// The mark that keeps a backup for good: `.pinned` inside a folder; beside a file, the file's
// name with ".pinned" added, so that the mark goes wherever the file goes.
std::string PinMarkPath(const BackupEntry& entry);

// Changes a mark of `entry` with `change`. A folder's modification time tells when the backup
// was made, so it is put back after the mark has changed it.
std::error_code ChangeMark(FileServices& files, const BackupEntry& entry,
                           const std::function<std::error_code()>& change);

// Sets or clears the mark.
std::error_code SetPinned(FileServices& files, const BackupEntry& entry, bool pinned);

} // namespace saver
