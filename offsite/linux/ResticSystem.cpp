// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResticSystem.h"

#include <QProcess>

#include <signal.h>

#include <linux/ioprio.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

void RunAtLowPriority(QProcess& process)
{
    // Runs in the child between fork and exec: system calls only. A refusal leaves the child
    // at the program's own priority, which still works.
    process.setChildProcessModifier([] {
        ::setpriority(PRIO_PROCESS, 0, 19);
        ::syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0, IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0));
    });
}

void AskToStop(QProcess& process)
{
    // restic cleans up on an interrupt; on a plain termination it leaves its lock behind.
    if (const qint64 id = process.processId(); id > 0)
        ::kill(static_cast<pid_t>(id), SIGINT);
}

QString ResticInstallHint()
{
    return QStringLiteral("未找到 restic：请先安装它（Debian/Ubuntu：sudo apt install restic）。");
}
