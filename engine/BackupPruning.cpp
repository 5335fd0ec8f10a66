// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupPruning.h"

#include "BackupCatalogue.h"

#include <algorithm>

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

} // namespace

PruneOutcome PruneWholeSaveBackups(FileServices& files, const BackupOptions& options,
                                   const std::string& justMade)
{
    PruneOutcome outcome;
    if (!options.Prunes())
        return outcome;
    std::vector<WholeSaveBackup> kept = ListWholeSaveBackups(files);
    std::vector<WholeSaveBackup> candidates;
    for (const WholeSaveBackup& backup : kept) {
        if (backup.path != justMade && !backup.pinned && (!backup.manual || options.pruneManual))
            candidates.push_back(backup);
    }
    // Oldest first, and scheduled before manual.
    std::stable_partition(candidates.begin(), candidates.end(),
                          [](const WholeSaveBackup& backup) { return !backup.manual; });

    for (const WholeSaveBackup& candidate : candidates) {
        const bool overCount =
            options.keepNewest > 0 && kept.size() > static_cast<std::size_t>(options.keepNewest);
        if (!overCount && !OverSize(files, options, kept))
            break;
        if ((outcome.error = files.RemoveFolder(candidate.path))) {
            outcome.failedPath = candidate.path;
            break;
        }
        std::erase_if(kept, [&](const WholeSaveBackup& b) { return b.path == candidate.path; });
    }
    return outcome;
}

} // namespace saver
