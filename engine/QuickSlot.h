// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ClockFields.h"
#include "Services.h"

#include <string>
#include <system_error>

namespace saver {

// What became of a quick save or a restore of a copy of level.dat.
struct QuickResult
{
    enum class Outcome { Done, NoSlot, Failed };
    enum class Problem {
        None,
        NoSave,        // no level.dat chosen, or it is not there
        NoDataFolder,  // `path`, the data folder, is gone
        SlotIsFolder,  // `path`, the slot, is a folder
        SourceMissing, // `path`, the copy to restore, is gone
        Step,          // a step failed with `error`; the slot or the game's file is untouched
    };
    Outcome outcome = Outcome::Done;
    bool restore = false; // a restore, not a quick save
    Problem problem = Problem::None;
    std::error_code error;
    std::string path;
    std::string safetyCopy; // where a restore kept the file it replaced
    bool notKept = false;   // the copy restored from the list could not be kept for good
};

// The one-click save into the slot file tmp.back and the restore of that slot, or of any other
// copy, over the game's level.dat, which first keeps a time-stamped safety copy of what it
// replaces.
class QuickSlot
{
public:
    explicit QuickSlot(FileServices& files);

    std::string SlotPath() const;
    std::string SafetyFolder() const;

    QuickResult QuickSave(const std::string& chosenPath);
    QuickResult Restore(const std::string& chosenPath, const ClockFields& now);
    // Puts any copy of level.dat in place of the game's file, just as Restore puts the slot.
    QuickResult RestoreFrom(const std::string& source, const std::string& chosenPath,
                            const ClockFields& now);

private:
    FileServices& m_files;
};

} // namespace saver
