// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupManifest.h"
#include "Services.h"

#include <string>
#include <system_error>
#include <vector>

namespace saver {

// What the last check of a whole-save backup against its manifest found, kept in the backup.
struct CheckRecord
{
    enum class State {
        Unchecked, // never checked, or nothing to check against
        Good,      // every file as the manifest says
        Damaged,   // some file damaged, missing or added
    };
    State state = State::Unchecked;
    // Unchecked: why there was no manifest to go by. With `manifestMade`, the check then gave the
    // backup one from what it held at the time, which proves nothing about it yet.
    ManifestProblem manifestProblem = ManifestProblem::None;
    bool manifestMade = false;
    // The manifest was changed or replaced after the check, which therefore says nothing now.
    bool outdated = false;
    // Damaged: the files, by path below the save folder.
    std::vector<std::string> damaged; // size or content differ
    std::vector<std::string> missing;
    std::vector<std::string> extra; // not in the manifest

    std::size_t Problems() const { return damaged.size() + missing.size() + extra.size(); }
    bool operator==(const CheckRecord&) const = default;
};

// The record in `backupFolder`, made to agree with the manifest there now: a manifest that went
// missing, cannot be read or changed since leaves nothing checked. Anything that is not a
// record this version wrote reads as never checked.
CheckRecord ReadCheckRecord(FileServices& files, const std::string& backupFolder);

// Keeps `record` in the backup folder, whose time, which tells when the backup was made, is
// put back after.
std::error_code WriteCheckRecord(FileServices& files, const std::string& backupFolder,
                                 const CheckRecord& record);

} // namespace saver
