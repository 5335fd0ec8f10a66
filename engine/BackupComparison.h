// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <cstdint>
#include <stop_token>
#include <string>
#include <system_error>
#include <vector>

namespace saver {

struct ComparedFile
{
    enum class Change { Added, Removed, Changed };
    std::string path; // below the save folder
    Change change = Change::Changed;
    std::uint64_t size = 0; // as it is on the newer side; removed: as it was

    bool operator==(const ComparedFile&) const = default;
};

// What differs between a backup and the save as it is now, or another backup of it.
struct Comparison
{
    std::error_code error;
    std::string failedPath;
    std::vector<ComparedFile> files; // by path; files alike are left out
    // A side had no manifest: a file whose size or time differs counts as changed, even when
    // only touched.
    bool byTimes = false;

    std::uint64_t Count(ComparedFile::Change change) const;
    std::uint64_t Bytes(ComparedFile::Change change) const;
};

// From the backup in `backupFolder` to the save folder `saveFolder` now. A file whose size and
// time differ from the manifest's is read, to tell a change from a touch.
Comparison CompareWithSave(FileServices& files, const std::string& backupFolder,
                           const std::string& saveFolder, const std::stop_token& cancel);

// From the backup in `olderFolder` to the one in `newerFolder`, by their manifests.
Comparison CompareBackups(FileServices& files, const std::string& olderFolder,
                          const std::string& newerFolder);

} // namespace saver
