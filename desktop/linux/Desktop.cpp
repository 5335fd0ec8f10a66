// SPDX-License-Identifier: GPL-3.0-or-later
#include "Desktop.h"

#include "DBusNotifier.h"
#include "X11Hotkeys.h"

#include <QtGlobal>

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

bool HasArgument(int argc, char* argv[], std::string_view wanted)
{
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == wanted) {
            return true;
        }
    }
    return false;
}

} // namespace

// Wayland lets no window stay above another program's, and the floating window must stay
// above the game: on a Wayland session the program runs through XWayland, unless the user
// chose a platform.
void PrepareDesktop(int argc, char* argv[])
{
    const char* session = std::getenv("XDG_SESSION_TYPE");
    const bool wayland =
        (session && std::strcmp(session, "wayland") == 0) || std::getenv("WAYLAND_DISPLAY");
    const bool chosen = std::getenv("QT_QPA_PLATFORM") || HasArgument(argc, argv, "-platform");
    if (wayland && !chosen && std::getenv("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

Desktop ConnectDesktop()
{
    return {std::make_unique<DBusNotifier>(), X11Hotkeys::ForThisDisplay()};
}
