// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupHolds.h"
#include "RestoreJournal.h"
#include "Services.h"
#include "WholeSaveRestore.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace saver {

struct PartialRestoreOutcome
{
    // As of a whole-save restore; after one that went through, `movedTo` is where the files
    // it replaced are, "" when it only added files.
    RestoreOutcome restore;
    std::size_t files = 0; // files put back
    // FilesGone: the chosen files, below the save, that were missing from each.
    std::vector<std::string> goneFromBackup = {};
    std::vector<std::string> goneFromSave = {};
};

// Puts some files of the save held by a whole-save backup (or a folder a restore kept) in place
// of theirs in the save of the same name, leaving the rest of the save as it is. Each file it
// replaces is first moved into a time-stamped 【恢复前】 folder in the data folder, at the same
// place below the save; the backup's copy is then written beside its place and renamed into
// it. The record written before the first step lets a failure now, or a kill at any point (put
// right at the next start), undo all of it. Run() may be called on any thread.
class PartialRestore
{
public:
    // `chosen`: files and folders below the backup's save, '/' between names; a folder stands
    // for every file in it. `stamp` names the 【恢复前】 folder: "2026-12-07 01_02_03".
    PartialRestore(FileServices& files, BackupHolds& holds, std::string backupFolder,
                   const std::string& chosenLevelDat, const std::string& stamp,
                   std::vector<std::string> chosen);

    // Why the restore cannot be made at all.
    std::optional<RestoreOutcome::Cause> Problem() const { return m_problem; }
    const std::string& Target() const { return m_record.target; }
    // Where the files it replaces will go, below which each keeps its place.
    std::string KeptFilesStem() const;

    using Progress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;
    PartialRestoreOutcome Run(const Progress& progress, const std::stop_token& cancel);

private:
    struct Planned
    {
        std::string name; // below the save
        std::uint64_t size = 0;
        bool replaces = false; // the save has a file of that name
    };
    struct Failure
    {
        Failure(std::error_code code = {}, RestoreOutcome::Cause why = RestoreOutcome::Cause::Error,
                std::string where = {})
            : error(code), cause(why), place(std::move(where))
        {
        }
        std::error_code error;
        RestoreOutcome::Cause cause;
        std::string place;
    };

    Failure Plan(std::vector<std::string>& goneFromBackup);
    void NoteAdded(const std::string& name);
    std::error_code MarkKeptFolder();
    Failure Put(const Planned& file);
    std::error_code MakeFolders(const std::string& base, const std::string& name);
    PartialRestoreOutcome Done();
    PartialRestoreOutcome Fail(const Failure& failure);
    static PartialRestoreOutcome Refused(const Failure& failure);

    FileServices& m_files;
    BackupHolds& m_holds;
    std::string m_backupFolder;
    std::string m_source; // the backup's save
    std::string m_stamp;
    std::vector<std::string> m_chosen;
    std::vector<Planned> m_planned;
    RestoreRecord m_record;
    std::optional<RestoreOutcome::Cause> m_problem;
};

} // namespace saver
