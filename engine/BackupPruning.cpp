// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupPruning.h"

#include "BackupCatalogue.h"

#include <algorithm>
#include <optional>

namespace saver {
namespace {

bool OverSize(FileServices& files, const BackupOptions& options,
              const std::vector<WholeSaveBackup>& kept)
{
    if (options.keepMegabytes == 0)
        return false;
    std::vector<std::string> folders;
    folders.reserve(kept.size());
    for (const WholeSaveBackup& backup : kept)
        folders.push_back(backup.path);
    const DiskUsage usage = files.MeasureDiskUsage(folders);
    // An unmeasurable total is no reason to remove anything.
    return !usage.error && usage.total > options.keepMegabytes * 1'000'000;
}

bool OverCount(const BackupOptions& options, const std::vector<WholeSaveBackup>& kept,
               const std::string& saveName)
{
    if (options.keepNewest <= 0)
        return false;
    // A damaged backup is no backup to count on.
    const auto count = std::count_if(kept.begin(), kept.end(), [&](const WholeSaveBackup& b) {
        return b.saveName == saveName && !b.Damaged();
    });
    return count > options.keepNewest;
}

} // namespace

PruneOutcome PruneWholeSaveBackups(FileServices& files, BackupHolds& holds,
                                   const BackupOptions& options, const std::string& justMade)
{
    PruneOutcome outcome;
    if (!options.Prunes())
        return outcome;
    std::vector<WholeSaveBackup> kept = ListWholeSaveBackups(files, &outcome.skippedLinks);
    std::vector<WholeSaveBackup> candidates;
    for (const WholeSaveBackup& backup : kept) {
        if (backup.path != justMade && !backup.pinned && (!backup.manual || options.pruneManual))
            candidates.push_back(backup);
    }
    // Oldest first, and scheduled before manual.
    std::stable_partition(candidates.begin(), candidates.end(),
                          [](const WholeSaveBackup& backup) { return !backup.manual; });

    // Measuring walks every backup: done again only after a removal.
    bool measured = false;
    bool overSize = false;
    for (const WholeSaveBackup& candidate : candidates) {
        // Removing a damaged one would bring the count no closer.
        if (candidate.Damaged() || !OverCount(options, kept, candidate.saveName)) {
            if (!measured)
                overSize = OverSize(files, options, kept);
            measured = true;
            if (!overSize)
                continue;
        }
        // One being restored from waits for the next backup's pruning.
        const std::optional<BackupHolds::Hold> removal = holds.HoldForRemoval(candidate.path);
        if (!removal)
            continue;
        if ((outcome.error = files.RemoveFolder(candidate.path))) {
            outcome.failedPath = candidate.path;
            break;
        }
        std::erase_if(kept, [&](const WholeSaveBackup& b) { return b.path == candidate.path; });
        measured = false;
    }
    return outcome;
}

} // namespace saver
