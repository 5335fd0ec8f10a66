// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <cstdint>
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
    bool manual = false;     // made with "整体手动保存"
    bool pinned = false;     // kept for good: no rule removes it
};

inline constexpr const char* kManualMark = ".manual";
inline constexpr const char* kPinnedMark = ".pinned";

// Whether `name` is one the program gives its whole-save backup folders.
bool IsWholeSaveBackupName(const std::string& name);

// Whether `name`, found in the data folder, is something the program keeps there: its
// settings, its slot, its backups, its lock and executable, their temporary names.
bool IsProgramFileName(const std::string& name);

// The whole-save backups in the data folder, oldest first.
std::vector<WholeSaveBackup> ListWholeSaveBackups(FileServices& files);

// What all whole-save backups take on disk, a file they share counted once.
DiskUsage MeasureWholeSaveBackups(FileServices& files);

} // namespace saver
