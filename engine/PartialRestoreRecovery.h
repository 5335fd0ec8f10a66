// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "RestoreJournal.h"
#include "RestoreRecovery.h"
#include "Services.h"

namespace saver {

// Undoes a restore of some files of a save that did not finish, from its record: every file it
// had moved into the 【恢复前】 folder goes back to its place, over the backup's copy if that
// is in, and whatever it added goes. The record goes only once all of that is done, so that
// the next start tries again. KeptAside: not all of it could be undone; `kept` holds the
// replaced files that could not go back, if any.
RestoreRecovery RollBackPartialRestore(FileServices& files, const RestoreRecord& record);

} // namespace saver
