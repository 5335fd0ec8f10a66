// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeSaveJob.h"

#include "BackupCatalogue.h"
#include "BackupManifest.h"
#include "CopyHasher.h"
#include "DataLayout.h"
#include "SafeFileOps.h"

#include <optional>
#include <utility>

namespace saver {

std::string PartialBackupFolder(const FileServices& files)
{
    return files.AppDir() + "/" + kPartialBackupName;
}

WholeSaveJob::WholeSaveJob(FileServices& files, BackupHolds& holds, std::string saveFolder,
                           int number, ClockFields when, BackupOptions options, BackupReason reason)
    : m_files(files), m_holds(holds), m_saveFolder(std::move(saveFolder)), m_number(number),
      m_when(when), m_options(std::move(options)), m_reason(reason)
{
}

std::string WholeSaveJob::SaveName() const
{
    return m_saveFolder.substr(m_saveFolder.rfind('/') + 1);
}

FolderCopyOptions WholeSaveJob::CopyOptions(const std::string& saveName,
                                            const std::vector<WholeSaveBackup>& backups) const
{
    FolderCopyOptions options;
    // A program kept inside the save never copies itself: below the save its whole folder
    // is left out; as the save folder itself, exactly what it keeps there and nothing else.
    const std::string dataFolder = m_files.ResolvedPath(m_files.AppDir());
    options.leaveOut = [dataFolder, save = m_saveFolder](const std::string& path) {
        return path == dataFolder || (dataFolder == save && FolderOf(path) == save &&
                                      IsProgramFileName(path.substr(save.size() + 1)));
    };
    // The newest backup of the same save lends the files that did not change since.
    for (auto backup = backups.rbegin(); backup != backups.rend(); ++backup) {
        // A backup found damaged would lend its damage.
        if (backup->saveName == saveName && !backup->Damaged()) {
            options.shareFrom = backup->path + "/" + saveName;
            options.shareOlderThanNs = backup->madeNs - kTimestampResolutionNs;
            break;
        }
    }
    return options;
}

WholeSaveResult WholeSaveJob::Run(const Progress& progress, std::stop_token cancel)
{
    WholeSaveResult result;
    // A restore moving the save aside under the copy would leave half of it here.
    const std::optional<BackupHolds::Hold> reading = m_holds.HoldForUse(m_saveFolder);
    if (!reading) {
        result.error = std::make_error_code(std::errc::operation_in_progress);
        return result;
    }
    if (!m_files.FolderExists(m_saveFolder)) {
        result.error = std::make_error_code(std::errc::no_such_file_or_directory);
        return result;
    }
    const std::string saveName = SaveName();
    const std::vector<WholeSaveBackup> backups = ListWholeSaveBackups(m_files);
    FolderCopyOptions options = CopyOptions(saveName, backups);
    const CopyPlan plan = m_files.PlanCopy(m_saveFolder, options);
    if (!plan.error && plan.unchanged && m_reason != BackupReason::Asked &&
        m_options.skipUnchanged) {
        result.skipped = true;
        return result;
    }
    const std::optional<std::uint64_t> free = m_files.FreeSpace(m_files.AppDir());
    if (!plan.error && free && plan.bytesToCopy > *free) {
        result.error = std::make_error_code(std::errc::no_space_on_device);
        result.bytesAdded = plan.bytesToCopy;
        result.bytesFree = *free;
        return result;
    }

    // The copy is put together under a temporary name and gets its real name only once
    // every file is in: a backup folder that exists is always a whole backup.
    const std::string partial = PartialBackupFolder(m_files);
    if (m_files.FolderExists(partial)) {
        if ((result.error = m_files.RemoveFolder(partial))) {
            result.blockedBy = partial;
            return result;
        }
    }
    if ((result.error = m_files.MakeDir(partial)))
        return result;
    options.progress = progress;
    options.cancel = std::move(cancel);
    const std::uint64_t sequence = backups.empty() ? 1 : backups.back().sequence + 1;
    result = Copy(options, partial, sequence, plan.bytesToCopy);
    if (result.error)
        m_files.RemoveFolder(partial); // best effort; the next start removes it otherwise
    else
        result.pruned = PruneWholeSaveBackups(m_files, m_holds, m_options, result.folder);
    return result;
}

std::error_code
WholeSaveJob::AddManifest(const FolderCopyOptions& options, const std::string& partial,
                          const std::unordered_map<std::string, ContentHash>& copied,
                          std::string& failedPath)
{
    // The files shared with the backup the copy was based on are the same files: their hashes
    // are taken from its manifest rather than read again.
    ManifestRead earlier;
    ManifestSource source{options.shareFrom, nullptr, &copied};
    if (!options.shareFrom.empty()) {
        earlier = ReadManifest(m_files, FolderOf(options.shareFrom));
        source.manifest = earlier.problem == ManifestProblem::None ? &earlier.manifest : nullptr;
    }
    // The copy was just written and is likely still in memory: read it rather than the save.
    const ManifestMaking making = MakeManifest(m_files, partial + "/" + SaveName(), source,
                                               options.cancel, DiskPriority::Normal);
    failedPath = making.failedPath;
    return making.error ? making.error : WriteManifest(m_files, partial, making.manifest);
}

WholeSaveResult WholeSaveJob::Copy(const FolderCopyOptions& options, const std::string& partial,
                                   std::uint64_t sequence, std::uint64_t bytesAdded)
{
    WholeSaveResult result;
    result.bytesAdded = bytesAdded;
    // The folder's time tells when the backup started; files older than that by more than
    // the timestamp resolution may be shared by the next one.
    const std::int64_t started = m_files.Status(partial).modifiedNs;
    // The folder's time is easily changed by hand or by a copy; the mark keeps when and in
    // what order the backup was made.
    if ((result.error =
             m_files.WriteOneLine(partial + "/" + kMadeMark, MadeMarkText(sequence, started))))
        return result;
    const char* reasonMark = m_reason == BackupReason::Asked         ? kManualMark
                             : m_reason == BackupReason::WorldClosed ? kWorldClosedMark
                                                                     : nullptr;
    if (reasonMark && (result.error = m_files.WriteOneLine(partial + "/" + reasonMark, "")))
        return result;
    CopyHasher hasher(m_files, partial + "/" + SaveName(), options.cancel);
    FolderCopyOptions hashing = options;
    hashing.copied = [&](const std::string& sourcePath) {
        hasher.Add(sourcePath.substr(m_saveFolder.size() + 1));
    };
    const FolderCopyResult copy = m_files.CopyFolder(m_saveFolder, partial, hashing);
    result.changedFiles = copy.changedFiles;
    result.failedPath = copy.failedPath;
    if ((result.error = copy.error))
        return result;
    // Last, so that a backup folder with a whole manifest holds every file it lists.
    if ((result.error = AddManifest(options, partial, hasher.Finish(), result.failedPath)))
        return result;
    const std::string stem = m_files.AppDir() + "/" + kWholeSaveNumberOpen +
                             std::to_string(m_number) + kWholeSaveNumberClose + PlainStamp(m_when);
    result.error = CreateUnderFreeName(
        stem, "", [&](const std::string& name) { return m_files.Rename(partial, name, false); },
        &result.folder);
    if (!result.error)
        m_files.SetModified(result.folder, started); // best effort: the backup is made
    return result;
}

} // namespace saver
