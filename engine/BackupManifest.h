// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ContentHash.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace saver {

// One file of a backed-up save as the backup was made.
struct ManifestEntry
{
    std::string path; // below the save folder, '/' between names
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    ContentHash hash;

    bool operator==(const ManifestEntry&) const = default;
};

// Every file of a whole-save backup, written as the backup is made, so that damage done to it
// later can be found.
struct Manifest
{
    std::vector<ManifestEntry> files; // sorted by path

    // The entry of `path`, or nullptr.
    const ManifestEntry* Find(std::string_view path) const;
};

// Why a backup has no manifest to go by.
enum class ManifestProblem {
    None,
    Missing,
    Unreadable,
    Truncated, // cut short: its closing line is missing or does not fit
    Garbage,   // not a manifest at all, or broken inside
    Newer,     // written by a later version of the program, in a form this one does not know
};

struct ManifestRead
{
    ManifestProblem problem = ManifestProblem::None;
    Manifest manifest; // when there is no problem
};

std::string ManifestText(const Manifest& manifest);
ManifestRead ParseManifest(std::string_view text);

// The manifest of the whole-save backup `backupFolder`.
ManifestRead ReadManifest(FileServices& files, const std::string& backupFolder);
// What the manifest's first line alone tells: enough for a list of backups, which must not
// read every manifest whole.
ManifestProblem ManifestHeaderProblem(FileServices& files, const std::string& backupFolder);

struct ManifestMaking
{
    std::error_code error;
    std::string failedPath; // the file that could not be read
    Manifest manifest;
};

// Where a new manifest may take hashes from instead of reading files again: an earlier backup
// of the same save, whose files the copier may have shared with the new one, and the hashes of
// the new copy's files taken as the copier finished them.
struct ManifestSource
{
    std::string saveCopy; // the save folder inside that backup
    const Manifest* manifest = nullptr;
    const std::unordered_map<std::string, ContentHash>* copied = nullptr; // by path in the copy
};

// Lists and hashes every file below `saveCopy`. A file that is the same file as its
// counterpart in `source` (a shared one) takes its hash from there, unread.
ManifestMaking MakeManifest(FileServices& files, const std::string& saveCopy,
                            const ManifestSource& source, const std::stop_token& cancel,
                            DiskPriority priority);

// Puts `manifest` into `backupFolder` under its own name in one step: a manifest there is
// always whole.
std::error_code WriteManifest(FileServices& files, const std::string& backupFolder,
                              const Manifest& manifest);

} // namespace saver
