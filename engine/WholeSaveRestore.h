// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <system_error>

namespace saver {

struct RestoreOutcome
{
    std::error_code error;
    // Holds the save that was replaced, under its own name; "" when there was none.
    std::string keptSave;
    std::string message; // what the player is told, in full
};

// Puts the save folder held by a whole-save backup (or by a folder a restore kept) in place of
// the save of the same name beside the chosen level.dat's save. The save it replaces is moved,
// whole, into a time-stamped folder in the data folder; if anything fails, it is put back.
// At every moment the old save is whole in its place or in that folder. Run() may be called
// on any thread; it touches nothing but the files.
class WholeSaveRestore
{
public:
    // `stamp` names the folder the replaced save goes to: "2026-12-07 01_02_03".
    WholeSaveRestore(FileServices& files, std::string backupFolder,
                     const std::string& chosenLevelDat, const std::string& stamp);

    // Why the restore cannot be made at all, or "".
    const std::string& Problem() const { return m_problem; }
    const std::string& Target() const { return m_target; }
    // Where the replaced save will go (a taken name gets " (2)").
    std::string KeptSaveStem() const { return m_safetyStem + "/" + m_saveName; }
    // The game keeps a lock on session.lock while it has the save loaded.
    bool TargetInUse();

    using Progress = std::function<void(std::uint64_t bytesDone, std::uint64_t bytesTotal)>;
    RestoreOutcome Run(const Progress& progress, std::stop_token cancel);

private:
    struct MovedAside
    {
        std::error_code error;
        std::string folder;   // the 【恢复前】 folder
        std::string kept;     // the replaced save in it
        std::string original; // across filesystems: the original, renamed beside its place
    };

    std::error_code CopyIn(const std::string& partial, const Progress& progress,
                           std::stop_token cancel);
    MovedAside MoveAside();
    std::error_code PutBack(const MovedAside& aside);
    RestoreOutcome Finish(const MovedAside& aside);

    FileServices& m_files;
    std::string m_backupFolder;
    std::string m_saveName;
    std::string m_target;
    std::string m_safetyStem;
    std::string m_problem;
};

} // namespace saver
