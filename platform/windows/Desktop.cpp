// SPDX-License-Identifier: GPL-3.0-or-later
#include "Desktop.h"

void PrepareDesktop(int, char*[]) {}

// Windows always has a tray, which tells the player everything. Global hotkeys would come
// from RegisterHotKey; until they do, the hotkey dialog finds none.
Desktop ConnectDesktop()
{
    return {};
}
