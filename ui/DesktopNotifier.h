// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Tells the player something while the game has the screen: a message from the desktop, not a
// window of ours. The windows know only this; how the desktop is reached lives elsewhere.
class DesktopNotifier
{
public:
    virtual ~DesktopNotifier() = default;

    virtual void Notify(const QString& summary, const QString& body) = 0;
};
