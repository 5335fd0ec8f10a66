// SPDX-License-Identifier: GPL-3.0-or-later
#include "Leftovers.h"

#include "BackupCatalogue.h"
#include "DataLayout.h"
#include "SafeFileOps.h"
#include "SettingsFile.h"

#include <vector>

namespace saver {

void RemoveLeftovers(FileServices& files)
{
    const std::string data = files.AppDir() + "/";
    std::vector<std::string> temporaries{
        TemporaryNameFor(data + kSettingsFileName), TemporaryNameFor(data + kQuickSlotName),
        TemporaryInFolder(data + kCharacterBackupFolder),
        TemporaryInFolder(data + kSafetyCopyFolder), TemporaryNameFor(data + kRestoreJournalName)};
    // A note is written beside its backup under a temporary name.
    for (const std::string& name : files.ListFolder(files.AppDir())) {
        if (IsWholeSaveBackupName(name) || IsBeforeRestoreName(name))
            temporaries.push_back(TemporaryNameFor(data + name + "/" + kNoteMark));
    }
    for (const std::string& folder : {data + kCharacterBackupFolder, data + kSafetyCopyFolder}) {
        for (const std::string& name : files.ListFolder(folder)) {
            if (name.ends_with(TemporaryNameFor(kNoteMark)))
                temporaries.push_back(folder + "/" + name);
        }
    }
    const SettingsFile::Stored stored = SettingsFile(files).Load();
    if (stored.path && !FolderOf(*stored.path).empty())
        temporaries.push_back(TemporaryNameFor(files.ResolvedPath(*stored.path)));
    // Best effort: each is replaced before it is used, and a partial folder that cannot be
    // removed is named when a backup next needs its place.
    for (const std::string& temporary : temporaries) {
        if (!files.FirstEntry(temporary).empty())
            files.DeleteFile(temporary);
    }
    for (const char* folder : {kPartialBackupName, kOffsiteStagingName}) {
        if (files.FolderExists(data + folder))
            files.RemoveFolder(data + folder);
    }
}

} // namespace saver
