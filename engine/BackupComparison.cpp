// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupComparison.h"

#include "BackupCatalogue.h"
#include "BackupManifest.h"

#include <algorithm>
#include <optional>
#include <utility>

namespace saver {
namespace {

// The files of one side, by path, with their hashes where a manifest gives them.
struct Side
{
    std::error_code error;
    std::string failedPath;
    std::vector<ManifestEntry> files;
    bool hashed = false;
};

Side ListedSide(FileServices& files, const std::string& folder)
{
    Side side;
    TreeListing listing = files.ListTree(folder);
    if ((side.error = listing.error)) {
        side.failedPath = folder;
        return side;
    }
    for (TreeEntry& entry : listing.entries) {
        if (entry.kind == TreeEntry::Kind::File)
            side.files.push_back({std::move(entry.path), entry.size, entry.modifiedNs, {}});
    }
    std::sort(side.files.begin(), side.files.end(),
              [](const ManifestEntry& a, const ManifestEntry& b) { return a.path < b.path; });
    return side;
}

Side BackupSide(FileServices& files, const std::string& backupFolder)
{
    ManifestRead read = ReadManifest(files, backupFolder);
    if (read.problem != ManifestProblem::None)
        return ListedSide(files, backupFolder + "/" + SaveNameIn(files, backupFolder));
    return {{}, {}, std::move(read.manifest.files), true};
}

// Whether `from` and `to` hold other bytes; `readable`, where set, is the folder `to`'s file
// can be read in to learn it.
std::optional<bool> Differs(FileServices& files, const ManifestEntry& from, const ManifestEntry& to,
                            bool bothHashed, const std::string* readable,
                            const std::stop_token& cancel, Comparison& comparison)
{
    if (from.size == to.size && from.modifiedNs == to.modifiedNs)
        return false;
    if (from.size != to.size)
        return true;
    if (bothHashed)
        return from.hash != to.hash;
    if (readable == nullptr)
        return true;
    const HashedFile hashed =
        HashFile(files, *readable + "/" + to.path, cancel, DiskPriority::Normal);
    if (hashed.error) {
        comparison.error = hashed.error;
        comparison.failedPath = *readable + "/" + to.path;
        return std::nullopt;
    }
    return hashed.hash != from.hash;
}

Comparison CompareSides(FileServices& files, const Side& from, const Side& to,
                        const std::string* readable, const std::stop_token& cancel)
{
    Comparison comparison;
    if (from.error || to.error) {
        comparison.error = from.error ? from.error : to.error;
        comparison.failedPath = from.error ? from.failedPath : to.failedPath;
        return comparison;
    }
    comparison.byTimes = !from.hashed || (!to.hashed && readable == nullptr);
    using Change = ComparedFile::Change;
    auto a = from.files.begin();
    auto b = to.files.begin();
    while (a != from.files.end() || b != to.files.end()) {
        if (b == to.files.end() || (a != from.files.end() && a->path < b->path)) {
            comparison.files.push_back({a->path, Change::Removed, a->size});
            ++a;
        } else if (a == from.files.end() || b->path < a->path) {
            comparison.files.push_back({b->path, Change::Added, b->size});
            ++b;
        } else {
            const std::optional<bool> differs =
                Differs(files, *a, *b, from.hashed && to.hashed, from.hashed ? readable : nullptr,
                        cancel, comparison);
            if (!differs)
                return comparison;
            if (*differs)
                comparison.files.push_back({b->path, Change::Changed, b->size});
            ++a;
            ++b;
        }
    }
    return comparison;
}

} // namespace

std::uint64_t Comparison::Count(ComparedFile::Change change) const
{
    return static_cast<std::uint64_t>(std::count_if(
        files.begin(), files.end(), [&](const ComparedFile& f) { return f.change == change; }));
}

std::uint64_t Comparison::Bytes(ComparedFile::Change change) const
{
    std::uint64_t bytes = 0;
    for (const ComparedFile& file : files)
        bytes += file.change == change ? file.size : 0;
    return bytes;
}

Comparison CompareWithSave(FileServices& files, const std::string& backupFolder,
                           const std::string& saveFolder, const std::stop_token& cancel)
{
    return CompareSides(files, BackupSide(files, backupFolder), ListedSide(files, saveFolder),
                        &saveFolder, cancel);
}

Comparison CompareBackups(FileServices& files, const std::string& olderFolder,
                          const std::string& newerFolder)
{
    return CompareSides(files, BackupSide(files, olderFolder), BackupSide(files, newerFolder),
                        nullptr, {});
}

} // namespace saver
