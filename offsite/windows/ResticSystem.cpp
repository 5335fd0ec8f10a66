// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResticSystem.h"

#include <QProcess>

#include <windows.h>

void RunAtLowPriority(QProcess& process)
{
    // The idle class lowers the disk's priority along with the processor's.
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->flags |= IDLE_PRIORITY_CLASS;
    });
}

void AskToStop(QProcess& process)
{
    // A console program has no window to be asked to close. The lock it leaves names a
    // process that is gone, which `restic unlock` removes.
    process.kill();
}

QString ResticInstallHint()
{
    return QStringLiteral(
        "未找到 restic：请把 restic.exe 放到本程序所在的文件夹，或放到 PATH 里的文件夹中。");
}
