// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupCatalogue.h"
#include "BackupHolds.h"
#include "BackupOptions.h"
#include "BackupPruning.h"
#include "ClockFields.h"
#include "ContentHash.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace saver {

// Why a whole-save backup is made. "Skip unchanged" and the pruning rules treat the backups the
// player did not ask for alike.
enum class BackupReason {
    Asked,      // 整体手动保存
    Scheduled,  // the countdown ran out
    WorldClosed // the game let go of the save
};

struct WholeSaveResult
{
    std::error_code error;
    std::string folder;             // the backup folder made, on success
    std::uint64_t changedFiles = 0; // files the game was still writing while they were copied
    std::string blockedBy;          // a leftover folder in the way that could not be removed
    std::string failedPath;         // the file of the save that could not be read, when known
    bool skipped = false;           // nothing changed since the last backup, as the player asked
    std::uint64_t bytesAdded = 0;   // on disk, the files shared with the last backup aside
    std::uint64_t bytesFree = 0;    // when the backup did not fit
    PruneOutcome pruned;
};

// One whole-save backup: the save folder copied into a new numbered, time-stamped folder
// in the data folder, sharing the files that did not change since the last backup of the
// same save, and followed by the player's pruning rules. Run() may be called on any thread;
// it touches nothing but the files.
class WholeSaveJob
{
public:
    WholeSaveJob(FileServices& files, BackupHolds& holds, std::string saveFolder, int number,
                 ClockFields when, BackupOptions options = {},
                 BackupReason reason = BackupReason::Asked);

    using Progress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;
    WholeSaveResult Run(const Progress& progress, std::stop_token cancel);

    int Number() const { return m_number; }
    const ClockFields& When() const { return m_when; }

private:
    std::string SaveName() const;
    FolderCopyOptions CopyOptions(const std::string& saveName,
                                  const std::vector<WholeSaveBackup>& backups) const;
    std::error_code AddManifest(const FolderCopyOptions& options, const std::string& partial,
                                const std::unordered_map<std::string, ContentHash>& copied,
                                std::string& failedPath);
    WholeSaveResult Copy(const FolderCopyOptions& options, const std::string& partial,
                         std::uint64_t sequence, std::uint64_t bytesAdded);

    FileServices& m_files;
    BackupHolds& m_holds;
    std::string m_saveFolder;
    int m_number;
    ClockFields m_when;
    BackupOptions m_options;
    BackupReason m_reason;
};

// Where a whole-save backup is put together before it gets its name; a fixed name, so a
// backup that was interrupted is found and removed on the next start.
std::string PartialBackupFolder(const FileServices& files);

// Filesystems keep modification times this coarsely at worst (FAT): a file changed within
// this time of the backup that copied it may look unchanged.
inline constexpr std::int64_t kTimestampResolutionNs = 2'000'000'000;

} // namespace saver
