// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <string>
#include <system_error>

namespace saver {

// What was found of a restore that did not finish, and what became of it.
struct RestoreRecovery
{
    enum class Kind {
        None,      // no restore was cut short
        Untouched, // it had not moved the save; what it left is removed
        PutBack,   // it had moved the save, which is back in its place now
        Completed, // it had got through: the restored save is in place, the old one in `kept`
        KeptAside, // the save could not go back: it is whole in `kept`
        Unreadable // its record cannot be read; nothing was touched
    };
    Kind kind = Kind::None;
    std::string saveName;
    std::string target;
    // Completed and KeptAside: where the whole old save is; Unreadable: the record.
    std::string kept;
    bool inTheWay = false; // KeptAside: another folder has taken the save's place
    std::error_code error; // KeptAside: why the save could not be moved back
    // Only some files of the save were being restored: `kept` holds the ones they replaced
    // that could not go back.
    bool partial = false;
};

// Finds what a restore that was cut short left and puts it right from the record it wrote:
// the old save goes back to its place unless the restore had got through or something else
// has taken the place, and nothing it made is left behind. A folder is removed only where a
// whole copy of the save is known to be elsewhere. The record stays only while something could
// not be put right, so that the next start tries again.
RestoreRecovery RecoverInterruptedRestore(FileServices& files);

} // namespace saver
