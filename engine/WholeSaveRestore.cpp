// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeSaveRestore.h"

#include "BackupCatalogue.h"
#include "DataLayout.h"
#include "RestoreRecovery.h"
#include "RestoreRules.h"
#include "SafeFileOps.h"

#include <optional>
#include <utility>

namespace saver {
namespace {

std::string LastName(const std::string& path)
{
    return path.substr(path.rfind('/') + 1);
}

// The same names, kinds, sizes and times: a copy that lost or half-copied a file differs.
bool SameListing(const TreeListing& a, const TreeListing& b)
{
    return !a.error && !b.error && a.entries == b.entries;
}

bool Taken(FileServices& files, const std::string& path)
{
    const FileStatus status = files.Status(path);
    return !status.error || status.isLink;
}

} // namespace

RestoreTarget FindRestoreTarget(FileServices& files, const std::string& backupFolder,
                                const std::string& chosenLevelDat)
{
    const std::string chosenSave = FolderOf(chosenLevelDat);
    const std::string saveName = SaveNameIn(files, backupFolder);
    if (chosenSave.empty())
        return {{}, RestoreOutcome::Cause::NoSaveChosen};
    if (saveName.empty())
        return {{}, RestoreOutcome::Cause::NoSaveInBackup};
    // A backup belongs to the save of its own name, looked for beside the chosen one.
    return {FolderOf(files.ResolvedPath(chosenSave)) + "/" + saveName, std::nullopt};
}

std::optional<RestoreOutcome> EarlierRestoreUnresolved(FileServices& files)
{
    // One that cannot be put right is not buried under a second.
    const RestoreRecovery earlier = RecoverInterruptedRestore(files);
    if (!ReadRestoreRecord(files).present)
        return std::nullopt;
    RestoreOutcome stuck;
    stuck.error = std::make_error_code(std::errc::device_or_resource_busy);
    stuck.cause = RestoreOutcome::Cause::EarlierUnresolved;
    stuck.recovery = earlier;
    stuck.keptSave = earlier.kept;
    return stuck;
}

std::string FreeKeptFolderName(FileServices& files, const std::string& stem)
{
    std::string keptFolder;
    // Chosen before it is made, so that a restore's record can name it.
    CreateUnderFreeName(
        files.AppDir() + "/" + stem, "",
        [&](const std::string& name) {
            return Taken(files, name) ? std::make_error_code(std::errc::file_exists)
                                      : std::error_code{};
        },
        &keptFolder);
    return LastName(keptFolder);
}

WholeSaveRestore::WholeSaveRestore(FileServices& files, BackupHolds& holds,
                                   std::string backupFolder, const std::string& chosenLevelDat,
                                   const std::string& stamp)
    : m_files(files), m_holds(holds), m_backupFolder(std::move(backupFolder)),
      m_stamp(std::string(kBeforeRestorePrefix) + stamp)
{
    const RestoreTarget target = FindRestoreTarget(files, m_backupFolder, chosenLevelDat);
    m_record.target = target.path;
    m_problem = target.problem;
    if (!m_problem && (files.ResolvedPath(files.AppDir()) + "/").starts_with(m_record.target + "/"))
        m_problem = RestoreOutcome::Cause::DataFolderInside;
    else if (!m_problem && !files.FirstEntry(m_backupFolder + "/" + kSomeFilesMark).empty())
        m_problem = RestoreOutcome::Cause::OnlySomeFiles;
}

std::string WholeSaveRestore::KeptSaveStem() const
{
    return m_files.AppDir() + "/" + m_stamp + "/" + LastName(m_record.target);
}

RestoreOutcome WholeSaveRestore::Run(const Progress& progress, const std::stop_token& cancel)
{
    if (m_problem) {
        RestoreOutcome refused;
        refused.error = std::make_error_code(std::errc::invalid_argument);
        refused.cause = *m_problem;
        return refused;
    }
    if (std::optional<RestoreOutcome> stuck = EarlierRestoreUnresolved(m_files))
        return *stuck;
    const std::optional<BackupHolds::Hold> hold = m_holds.HoldForUse(m_backupFolder);
    if (!hold)
        return Fail({std::make_error_code(std::errc::device_or_resource_busy),
                     RestoreOutcome::Cause::BackupBeingRemoved});

    m_record.mode = RestoreRecord::Mode::Rename;
    m_record.hadSave = m_files.FolderExists(m_record.target);
    m_record.keptName = FreeKeptFolderName(m_files, m_stamp);
    const RestorePlaces at(m_files, m_record);
    // Whatever holds these names is no one's to remove, and the record must not mistake it
    // for the save.
    for (const std::string& place : {at.asideFolder, at.replaced}) {
        if (Taken(m_files, place))
            return Fail({std::make_error_code(std::errc::file_exists),
                         RestoreOutcome::Cause::InTheWay, place});
    }
    if (const std::error_code error = WriteRestoreRecord(m_files, m_record))
        return Fail({error});

    Failure failure = CopyIn(at, progress, cancel);
    // A backup of the save under way ends before the save is moved aside, and none starts
    // until the restore is over.
    const std::optional<BackupHolds::Hold> replacing =
        failure.error ? std::nullopt : m_holds.WaitForRemoval(m_record.target, cancel);
    if (!failure.error && !replacing)
        failure.error = std::make_error_code(std::errc::operation_canceled);
    if (!failure.error && m_record.hadSave)
        failure = MoveAside(at);
    if (!failure.error) {
        failure.error = m_files.Rename(at.incoming, at.target, false);
        // A rename that was made but could not be flushed reports an error as well.
        if (failure.error && !m_files.FolderExists(at.incoming) && m_files.FolderExists(at.target))
            failure.error = {};
    }
    return failure.error ? Fail(failure) : Finish(at);
}

WholeSaveRestore::Failure WholeSaveRestore::CopyIn(const RestorePlaces& at,
                                                   const Progress& progress, std::stop_token cancel)
{
    const std::string source = m_backupFolder + "/" + at.saveName;
    const TreeListing before = m_files.ListTree(source);
    if (before.error)
        return {before.error};
    if (m_files.FolderExists(at.partial)) {
        if (auto error = m_files.RemoveFolder(at.partial))
            return {error};
    }
    if (auto error = m_files.MakeDir(at.partial))
        return {error};
    FolderCopyOptions options;
    options.progress = progress;
    options.cancel = std::move(cancel);
    if (auto error = m_files.CopyFolder(source, at.partial, options).error)
        return {error};
    // The copy skips a file that goes while it runs, as a backup of a live save must; a
    // restore must bring back every file, or none.
    if (!SameListing(m_files.ListTree(at.incoming), before) ||
        !SameListing(m_files.ListTree(source), before))
        return {std::make_error_code(std::errc::io_error), RestoreOutcome::Cause::BackupChanged};
    return {};
}

WholeSaveRestore::Failure WholeSaveRestore::MoveAside(const RestorePlaces& at)
{
    if (auto error = m_files.MakeDir(at.asideFolder))
        return {error};
    std::error_code error = m_files.Rename(at.target, at.aside, false);
    if (error == std::errc::cross_device_link) {
        // Across filesystems the save is copied, and the original waits beside its place
        // until the restored save is in.
        m_record.mode = RestoreRecord::Mode::Copy;
        if ((error = WriteRestoreRecord(m_files, m_record)))
            return {error};
        const TreeListing before = m_files.ListTree(at.target);
        if ((error = m_files.CopyFolder(at.target, at.asideFolder, {}).error))
            return {error};
        if (!SameListing(m_files.ListTree(at.aside), before) ||
            !SameListing(m_files.ListTree(at.target), before))
            return {std::make_error_code(std::errc::resource_unavailable_try_again),
                    RestoreOutcome::Cause::SaveChanged};
    }
    if (error)
        return {error};
    // Only a whole save gets the name the backup list shows.
    if ((error = m_files.Rename(at.asideFolder, at.keptFolder, false)))
        return {error};
    if (m_record.mode == RestoreRecord::Mode::Copy)
        error = m_files.Rename(at.target, at.replaced, false);
    return {error};
}

RestoreOutcome WholeSaveRestore::Finish(const RestorePlaces& at)
{
    m_record.keptWhole = true;
    // Without the mark the next start tidies up instead, from what it finds.
    if (WriteRestoreRecord(m_files, m_record))
        return Done(at, {});
    return Done(at, RecoverInterruptedRestore(m_files));
}

RestoreOutcome WholeSaveRestore::Done(const RestorePlaces& at, const RestoreRecovery& tidied)
{
    RestoreOutcome done;
    done.saveName = at.saveName;
    done.backupName = LastName(m_backupFolder);
    if (m_record.hadSave)
        done.movedTo = at.kept;
    if (!tidied.kept.empty() && tidied.kept != at.kept)
        done.otherKept = tidied.kept;
    BackupEntry backup;
    backup.path = m_backupFolder;
    done.notPinned = !KeepForGood(m_files, backup);
    return done;
}

RestoreOutcome WholeSaveRestore::Fail(const Failure& failure)
{
    RestoreOutcome failed;
    failed.recovery = RecoverInterruptedRestore(m_files);
    if (failed.recovery.kind == RestoreRecovery::Kind::Completed)
        return Done(RestorePlaces(m_files, m_record), failed.recovery);
    failed.error = failure.error;
    failed.cause = failure.cause;
    failed.place = failure.place;
    if (failed.recovery.kind == RestoreRecovery::Kind::KeptAside)
        failed.keptSave = failed.recovery.kept;
    return failed;
}

} // namespace saver
