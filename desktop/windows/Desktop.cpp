// SPDX-License-Identifier: GPL-3.0-or-later
#include "Desktop.h"

#include "WindowsHotkeys.h"

void PrepareDesktop(int, char*[]) {}

// Windows always has a tray, which tells the player everything; global hotkeys come from
// RegisterHotKey.
Desktop ConnectDesktop()
{
    return {nullptr, std::make_unique<WindowsHotkeys>()};
}
