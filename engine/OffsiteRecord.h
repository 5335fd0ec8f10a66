// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupCatalogue.h"
#include "Services.h"

#include <string>
#include <system_error>
#include <vector>

namespace saver {

// What the program knows of the whole-save backups it hands to restic: the ones waiting, kept
// in the data folder so that a restart goes on with them, and a mark inside each one restic
// took or failed to take.
class OffsiteRecord
{
public:
    explicit OffsiteRecord(FileServices& files);

    // Backup folder names, oldest first; empty when none wait or the list cannot be read.
    std::vector<std::string> Waiting();
    // Adds a backup at the end, once.
    std::error_code Add(const std::string& backupFolder);
    std::error_code Remove(const std::string& backupFolder);

    // The mark keeps the snapshot's id; the folder's time, which tells when the backup was
    // made, is put back after it.
    std::error_code MarkUploaded(const std::string& backupFolder, const std::string& snapshotId);
    std::error_code MarkFailed(const std::string& backupFolder);
    BackupEntry::Offsite StateOf(const std::string& backupFolder,
                                 const std::vector<std::string>& waiting);
    // Fills in the state of every whole-save backup listed.
    void Describe(std::vector<BackupEntry>& entries);

private:
    std::string QueuePath() const;
    std::error_code SaveWaiting(const std::vector<std::string>& names);
    std::error_code Mark(const std::string& backupFolder, const std::string& text);

    FileServices& m_files;
};

} // namespace saver
