// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <vector>

// One snapshot in the repository, as `restic snapshots --json` describes it.
struct Snapshot
{
    QString id;
    QString shortId;
    QDateTime time;
    QString host;
    QStringList tags;

    // Newest first; what is not a snapshot in the list is left out.
    static std::vector<Snapshot> ListFrom(const QByteArray& json);
    // The size of what the snapshot restores, from `restic stats <id> --json`; -1 when the
    // text does not tell.
    static qint64 SizeFrom(const QByteArray& json);
};
