// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupVerification.h"

#include "BackupCatalogue.h"

#include <algorithm>
#include <utility>

namespace saver {
namespace {

// Gives the backup a manifest of what it holds now; the folder's time, which tells when the
// backup was made, is put back after.
std::error_code MakeManifestFor(FileServices& files, const std::string& backupFolder,
                                const std::string& saveCopy, const std::stop_token& cancel,
                                VerifyOutcome& outcome)
{
    const FileStatus before = files.Status(backupFolder);
    if (before.error)
        return before.error;
    const ManifestMaking making = MakeManifest(files, saveCopy, {}, cancel, DiskPriority::Idle);
    outcome.failedPath = making.failedPath;
    if (making.error)
        return making.error;
    if (const std::error_code error = WriteManifest(files, backupFolder, making.manifest))
        return error;
    outcome.record.manifestMade = true;
    return files.SetModified(backupFolder, before.modifiedNs);
}

// Compares every file below `saveCopy` with `manifest`.
std::error_code CompareFiles(FileServices& files, const std::string& saveCopy,
                             const Manifest& manifest, const VerifyProgress& progress,
                             const std::stop_token& cancel, VerifyOutcome& outcome)
{
    TreeListing listing = files.ListTree(saveCopy);
    if (listing.error) {
        outcome.failedPath = saveCopy;
        return listing.error;
    }
    std::erase_if(listing.entries,
                  [](const TreeEntry& entry) { return entry.kind != TreeEntry::Kind::File; });
    std::uint64_t total = 0;
    for (const ManifestEntry& entry : manifest.files)
        total += entry.size;
    std::uint64_t done = 0;
    CheckRecord& record = outcome.record;
    for (const ManifestEntry& entry : manifest.files) {
        const auto found = std::lower_bound(
            listing.entries.begin(), listing.entries.end(), entry.path,
            [](const TreeEntry& e, const std::string& path) { return e.path < path; });
        if (found == listing.entries.end() || found->path != entry.path) {
            record.missing.push_back(entry.path);
        } else if (found->size != entry.size) {
            record.damaged.push_back(entry.path);
        } else {
            const HashedFile hashed = HashFile(files, saveCopy + "/" + entry.path, cancel,
                                               DiskPriority::Idle, [&](std::uint64_t bytes) {
                                                   if (progress)
                                                       progress(done += bytes, total);
                                               });
            if (hashed.error == std::errc::operation_canceled)
                return hashed.error;
            // A file that cannot be read back is as lost as one that reads wrong.
            if (hashed.error || hashed.hash != entry.hash)
                record.damaged.push_back(entry.path);
        }
    }
    for (const TreeEntry& entry : listing.entries) {
        if (!manifest.Find(entry.path))
            record.extra.push_back(entry.path);
    }
    record.state = record.Problems() > 0 ? CheckRecord::State::Damaged : CheckRecord::State::Good;
    return {};
}

} // namespace

VerifyOutcome VerifyBackup(FileServices& files, const std::string& backupFolder,
                           const VerifyProgress& progress, const std::stop_token& cancel)
{
    VerifyOutcome outcome;
    const std::string saveName = SaveNameIn(files, backupFolder);
    if (saveName.empty()) {
        outcome.error = std::make_error_code(std::errc::no_such_file_or_directory);
        outcome.failedPath = backupFolder;
        return outcome;
    }
    const std::string saveCopy = backupFolder + "/" + saveName;
    const ManifestRead read = ReadManifest(files, backupFolder);
    outcome.record.manifestProblem = read.problem;
    // A later version's manifest may know more than this one can tell; it stays.
    if (read.problem == ManifestProblem::None)
        outcome.error = CompareFiles(files, saveCopy, read.manifest, progress, cancel, outcome);
    else if (read.problem != ManifestProblem::Newer)
        outcome.error = MakeManifestFor(files, backupFolder, saveCopy, cancel, outcome);
    if (!outcome.error && (outcome.error = WriteCheckRecord(files, backupFolder, outcome.record)))
        outcome.failedPath = backupFolder;
    return outcome;
}

} // namespace saver
