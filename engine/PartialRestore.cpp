// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialRestore.h"

#include "BackupCatalogue.h"
#include "DataLayout.h"
#include "RestoreRecovery.h"
#include "RestoreRules.h"
#include "SafeFileOps.h"

#include <algorithm>
#include <map>

namespace saver {
namespace {

using Cause = RestoreOutcome::Cause;

bool IsFile(FileServices& files, const std::string& path)
{
    return !files.FirstEntry(path).empty();
}

} // namespace

PartialRestore::PartialRestore(FileServices& files, BackupHolds& holds, std::string backupFolder,
                               const std::string& chosenLevelDat, const std::string& stamp,
                               std::vector<std::string> chosen)
    : m_files(files), m_holds(holds), m_backupFolder(std::move(backupFolder)),
      m_source(m_backupFolder + "/" + SaveNameIn(files, m_backupFolder)),
      m_stamp(std::string(kBeforeRestorePrefix) + stamp), m_chosen(std::move(chosen))
{
    const RestoreTarget target = FindRestoreTarget(files, m_backupFolder, chosenLevelDat);
    m_record.mode = RestoreRecord::Mode::Partial;
    m_record.hadSave = true;
    m_record.target = target.path;
    m_problem = target.problem;
    if (!m_problem && !files.FolderExists(m_record.target))
        m_problem = Cause::NoSaveInPlace;
    else if (!m_problem && m_chosen.empty())
        m_problem = Cause::NothingChosen;
}

std::string PartialRestore::KeptFilesStem() const
{
    return m_files.AppDir() + "/" + m_stamp + m_record.target.substr(m_record.target.rfind('/'));
}

PartialRestoreOutcome PartialRestore::Run(const Progress& progress, const std::stop_token& cancel)
{
    if (m_problem)
        return Refused({std::make_error_code(std::errc::invalid_argument), *m_problem});
    if (std::optional<RestoreOutcome> stuck = EarlierRestoreUnresolved(m_files))
        return {*stuck};
    const std::optional<BackupHolds::Hold> hold = m_holds.HoldForUse(m_backupFolder);
    if (!hold)
        return Refused(
            {std::make_error_code(std::errc::device_or_resource_busy), Cause::BackupBeingRemoved});
    std::vector<std::string> goneFromBackup;
    if (const Failure failure = Plan(goneFromBackup); failure.error) {
        PartialRestoreOutcome refused = Refused(failure);
        refused.goneFromBackup = std::move(goneFromBackup);
        return refused;
    }
    // A backup of the save under way ends before any file of it moves, and none starts until
    // the restore is over.
    const std::optional<BackupHolds::Hold> replacing =
        m_holds.WaitForRemoval(m_record.target, cancel);
    if (!replacing)
        return Refused({std::make_error_code(std::errc::operation_canceled)});
    m_record.keptName = FreeKeptFolderName(m_files, m_stamp);
    if (!RestoreRecordFits(m_record))
        return Refused(
            {std::make_error_code(std::errc::argument_list_too_long), Cause::TooManyFiles});
    if (const std::error_code error = WriteRestoreRecord(m_files, m_record))
        return Fail({error});
    if (const std::error_code error = MarkKeptFolder())
        return Fail({error});

    std::uint64_t total = 0, done = 0;
    for (const Planned& file : m_planned)
        total += file.size;
    for (const Planned& file : m_planned) {
        if (cancel.stop_requested())
            return Fail({std::make_error_code(std::errc::operation_canceled)});
        if (const Failure failure = Put(file); failure.error)
            return Fail(failure);
        if (progress)
            progress(done += file.size, total);
    }
    // Without its record the restore is over: up to here the next start would undo it.
    if (const std::error_code error = m_files.DeleteFile(RestoreJournalPath(m_files));
        error && ReadRestoreRecord(m_files).present)
        return Fail({error});
    return Done();
}

PartialRestore::Failure PartialRestore::Plan(std::vector<std::string>& goneFromBackup)
{
    std::map<std::string, std::uint64_t> found;
    for (const std::string& chosen : m_chosen) {
        const FileStatus status = m_files.Status(m_source + "/" + chosen);
        if (status.error) {
            goneFromBackup.push_back(chosen);
        } else if (status.isFolder) {
            const TreeListing listing = m_files.ListTree(m_source + "/" + chosen);
            if (listing.error)
                return {listing.error};
            for (const TreeEntry& entry : listing.entries) {
                if (entry.kind == TreeEntry::Kind::File)
                    found[chosen + "/" + entry.path] = entry.size;
            }
        } else {
            found[chosen] = status.size;
        }
    }
    if (!goneFromBackup.empty())
        return {std::make_error_code(std::errc::no_such_file_or_directory), Cause::FilesGone};
    if (found.empty())
        return {std::make_error_code(std::errc::invalid_argument), Cause::NothingChosen};
    for (const auto& [name, size] : found) {
        const std::string place = m_record.target + "/" + name;
        const FileStatus there = m_files.Status(place);
        if (!there.error && !there.isFile)
            return {std::make_error_code(std::errc::is_a_directory), Cause::PlaceIsFolder, place};
        m_planned.push_back({name, size, !there.error});
        if (there.error)
            NoteAdded(name);
    }
    return {};
}

// A new file is recorded by the first folder on its way that the save lacks, which goes with
// everything in it; a file added to a folder the save has, by its own name.
void PartialRestore::NoteAdded(const std::string& name)
{
    std::string added = name;
    for (std::size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
        if (!m_files.FolderExists(m_record.target + "/" + name.substr(0, slash))) {
            added = name.substr(0, slash + 1);
            break;
        }
    }
    // Files in one folder come one after another in the plan's order.
    if (m_record.added.empty() || m_record.added.back() != added)
        m_record.added.push_back(added);
}

PartialRestore::Failure PartialRestore::Put(const Planned& file)
{
    const RestorePlaces at(m_files, m_record);
    const std::string place = at.target + "/" + file.name;
    if (file.replaces) {
        if (const std::error_code error = MakeFolders(
                m_files.AppDir(), m_record.keptName + "/" + at.saveName + "/" + file.name))
            return {error};
        if (const std::error_code error =
                MoveFile(m_files, place, at.kept + "/" + file.name, false))
            return {error, IsFile(m_files, place) ? Cause::Error : Cause::FilesGone};
    } else if (const std::error_code error = MakeFolders(m_record.target, file.name)) {
        return {error};
    }
    const std::string temporary = TemporaryNameFor(place);
    if (const std::error_code error = m_files.CopyFile(m_source + "/" + file.name, temporary))
        return {error,
                IsFile(m_files, m_source + "/" + file.name) ? Cause::Error : Cause::FilesGone};
    if (const std::error_code error = MoveFile(m_files, temporary, place, false))
        return {error, Cause::Error, place};
    return {};
}

// Made before any file moves, so that it is never taken for a whole save.
std::error_code PartialRestore::MarkKeptFolder()
{
    if (std::none_of(m_planned.begin(), m_planned.end(),
                     [](const Planned& file) { return file.replaces; }))
        return {};
    const RestorePlaces at(m_files, m_record);
    if (const std::error_code error = m_files.MakeDir(at.keptFolder))
        return error;
    return m_files.WriteOneLine(at.keptFolder + "/" + kSomeFilesMark, "");
}

// The folders on the way to `name` below `base` that are missing.
std::error_code PartialRestore::MakeFolders(const std::string& base, const std::string& name)
{
    for (std::size_t slash = name.find('/'); slash != std::string::npos;
         slash = name.find('/', slash + 1)) {
        const std::string folder = base + "/" + name.substr(0, slash);
        if (!m_files.FolderExists(folder)) {
            if (const std::error_code error = m_files.MakeDir(folder))
                return error;
        }
    }
    return {};
}

PartialRestoreOutcome PartialRestore::Done()
{
    PartialRestoreOutcome done;
    done.files = m_planned.size();
    done.restore.saveName = m_record.target.substr(m_record.target.rfind('/') + 1);
    done.restore.backupName = m_backupFolder.substr(m_backupFolder.rfind('/') + 1);
    if (std::any_of(m_planned.begin(), m_planned.end(),
                    [](const Planned& file) { return file.replaces; }))
        done.restore.movedTo = RestorePlaces(m_files, m_record).kept;
    BackupEntry backup;
    backup.path = m_backupFolder;
    done.restore.notPinned = !KeepForGood(m_files, backup);
    return done;
}

PartialRestoreOutcome PartialRestore::Fail(const Failure& failure)
{
    PartialRestoreOutcome failed;
    // Named before they are put back: every one that is missing, not just the first.
    if (failure.cause == Cause::FilesGone) {
        const RestorePlaces at(m_files, m_record);
        for (const Planned& file : m_planned) {
            if (!IsFile(m_files, m_source + "/" + file.name))
                failed.goneFromBackup.push_back(file.name);
            if (file.replaces && !IsFile(m_files, at.target + "/" + file.name) &&
                !IsFile(m_files, at.kept + "/" + file.name))
                failed.goneFromSave.push_back(file.name);
        }
    }
    failed.restore.error = failure.error;
    failed.restore.cause = failure.cause;
    failed.restore.place = failure.place;
    failed.restore.recovery = RecoverInterruptedRestore(m_files);
    if (failed.restore.recovery.kind == RestoreRecovery::Kind::KeptAside)
        failed.restore.keptSave = failed.restore.recovery.kept;
    return failed;
}

PartialRestoreOutcome PartialRestore::Refused(const Failure& failure)
{
    PartialRestoreOutcome refused;
    refused.restore.error = failure.error;
    refused.restore.cause = failure.cause;
    refused.restore.place = failure.place;
    return refused;
}

} // namespace saver
