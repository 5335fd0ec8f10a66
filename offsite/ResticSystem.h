// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QProcess;

// What differs between the systems in running restic; each has its own source beside this.

// Makes the process, once started, take the processor and the disk only when the game and the
// rest of the desktop leave them idle.
void RunAtLowPriority(QProcess& process);

// Asks restic to end, the way that lets it take its lock off the repository first.
void AskToStop(QProcess& process);

// How the player gets restic on this system.
QString ResticInstallHint();
