// SPDX-License-Identifier: GPL-3.0-or-later
#include "ResticProgram.h"

#include <QCoreApplication>
#include <QStandardPaths>

QString ResticProgram::Find()
{
    const QString name = QStringLiteral("restic");
    const QString beside =
        QStandardPaths::findExecutable(name, {QCoreApplication::applicationDirPath()});
    return beside.isEmpty() ? QStandardPaths::findExecutable(name) : beside;
}
