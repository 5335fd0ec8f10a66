// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

namespace saver {

// Removes what a run that was killed halfway through writing may have left behind: the
// temporary copies of the settings, the slot, a backup file, a note or the slot beside the
// game's file, and the folder a whole-save backup was being put together in. Only the one copy of
// the program that owns the data folder may call this, at its start: another one's
// temporaries would be taken from under it.
void RemoveLeftovers(FileServices& files);

} // namespace saver
