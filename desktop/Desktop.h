// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopNotifier.h"
#include "GlobalHotkeys.h"

#include <memory>

// What the windows need of the desktop beyond files, for the system the program is built for
// (linux/Desktop.cpp or windows/Desktop.cpp).
struct Desktop
{
    // Null where only the tray icon can tell the player something.
    std::unique_ptr<DesktopNotifier> notifier;
    // Null where the desktop hands out no global keys.
    std::unique_ptr<GlobalHotkeys> hotkeys;
};

// Settles, before the QApplication is made, what Qt is to draw on.
void PrepareDesktop(int argc, char* argv[]);
// Reaches the desktop once the QApplication exists.
Desktop ConnectDesktop();
