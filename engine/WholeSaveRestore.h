// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupHolds.h"
#include "RestoreJournal.h"
#include "RestoreRecovery.h"
#include "Services.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <system_error>
#include <utility>

namespace saver {

struct RestoreOutcome
{
    // Why a restore did not go through, when the error alone does not say it.
    enum class Cause {
        Error,
        NoSaveChosen,
        NoSaveInBackup,
        DataFolderInside,  // the program's data folder is inside the save
        EarlierUnresolved, // a restore cut short before could not be put right: `recovery`
        BackupBeingRemoved,
        InTheWay,      // `place` is left from an earlier restore
        BackupChanged, // a file of the backup went or changed while it was copied
        SaveChanged,   // the save changed while it was copied aside
        // Of a restore of some files only:
        NoSaveInPlace, // there is no save to put them into
        NothingChosen, // the folders chosen hold no file
        FilesGone,     // chosen files went from the backup or the save
        PlaceIsFolder, // a folder of the save stands where a chosen file goes: `place`
        TooManyFiles,  // more new names than the record can hold
        OnlySomeFiles, // the backup is what a restore of some files replaced
    };
    std::error_code error; // none when the backup's save is in place
    Cause cause = Cause::Error;
    std::string place;
    // What became of the old save after a failure, or what an earlier restore had left.
    RestoreRecovery recovery;
    // Where the replaced save is whole, when it is not in its place; "" when it is.
    std::string keptSave;

    // A restore that went through.
    std::string saveName;
    std::string backupName;
    std::string movedTo;    // where the replaced save went; "" when there was none
    std::string otherKept;  // a second old save an interrupted step left, put in 【恢复前】
    bool notPinned = false; // the backup could not be kept for good
};

// The save a backup belongs to: the one of the backup's save's name beside the chosen save.
struct RestoreTarget
{
    std::string path;
    std::optional<RestoreOutcome::Cause> problem; // there is none
};
RestoreTarget FindRestoreTarget(FileServices& files, const std::string& backupFolder,
                                const std::string& chosenLevelDat);

// A restore cut short earlier is put right first; one that cannot be stops the next.
std::optional<RestoreOutcome> EarlierRestoreUnresolved(FileServices& files);

// The first free name of the 【恢复前】 folder `stem` in the data folder.
std::string FreeKeptFolderName(FileServices& files, const std::string& stem);

// Puts the save folder held by a whole-save backup (or by a folder a restore kept) in place of
// the save of the same name beside the chosen level.dat's save. The backup is copied beside
// the save and checked against itself; the save it replaces is then moved, whole, into a
// time-stamped folder in the data folder, and the copy takes its place. Every step is written
// down first, so that a failure now or a kill at any point (put right at the next start)
// leaves the old save whole in its place or in that folder, and says which. Run() may be
// called on any thread; it touches nothing but the files.
class WholeSaveRestore
{
public:
    // `stamp` names the folder the replaced save goes to: "2026-12-07 01_02_03".
    WholeSaveRestore(FileServices& files, BackupHolds& holds, std::string backupFolder,
                     const std::string& chosenLevelDat, const std::string& stamp);

    // Why the restore cannot be made at all.
    std::optional<RestoreOutcome::Cause> Problem() const { return m_problem; }
    const std::string& Target() const { return m_record.target; }
    // Where the replaced save will go.
    std::string KeptSaveStem() const;

    using Progress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;
    RestoreOutcome Run(const Progress& progress, const std::stop_token& cancel);

private:
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

    Failure CopyIn(const RestorePlaces& at, const Progress& progress, std::stop_token cancel);
    Failure MoveAside(const RestorePlaces& at);
    RestoreOutcome Finish(const RestorePlaces& at);
    RestoreOutcome Done(const RestorePlaces& at, const RestoreRecovery& tidied);
    RestoreOutcome Fail(const Failure& failure);

    FileServices& m_files;
    BackupHolds& m_holds;
    std::string m_backupFolder;
    std::string m_stamp;
    RestoreRecord m_record;
    std::optional<RestoreOutcome::Cause> m_problem;
};

} // namespace saver
