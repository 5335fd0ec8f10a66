// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopNotifier.h"

// Notifications through the freedesktop notification service on the session bus, which every
// Linux desktop runs. The call does not wait for the service; a missing service is reported
// on the program's standard error, as nothing else could show it.
class DBusNotifier final : public DesktopNotifier
{
public:
    void Notify(const QString& summary, const QString& body) override;
};
