// SPDX-License-Identifier: GPL-3.0-or-later
#include "Leftovers.h"

#include "AutoSaver.h"
#include "QuickSlot.h"
#include "RestoreJournal.h"
#include "SafeFileOps.h"
#include "SettingsFile.h"

#include <vector>

namespace saver {

void RemoveLeftovers(FileServices& files)
{
    SettingsFile settings(files);
    const QuickSlot slot(files);
    std::vector<std::string> temporaries{
        TemporaryNameFor(settings.Path()), TemporaryNameFor(slot.SlotPath()),
        TemporaryInFolder(CharacterBackupFolder(files)), TemporaryInFolder(slot.SafetyFolder()),
        TemporaryNameFor(RestoreJournalPath(files))};
    const SettingsFile::Stored stored = settings.Load();
    if (stored.path && !FolderOf(*stored.path).empty())
        temporaries.push_back(TemporaryNameFor(files.ResolvedPath(*stored.path)));
    // Best effort: each is replaced before it is used, and a partial folder that cannot be
    // removed is named when a backup next needs its place.
    for (const std::string& temporary : temporaries) {
        if (!files.FirstEntry(temporary).empty())
            files.DeleteFile(temporary);
    }
    if (files.FolderExists(PartialBackupFolder(files)))
        files.RemoveFolder(PartialBackupFolder(files));
}

} // namespace saver
