// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// What became of one run of restic, told from its exit code and, for the restic of Debian 12
// (0.14), which has no codes of its own for a locked repository or a wrong password, from
// what it wrote to its error output.
struct ResticOutcome
{
    enum class Kind {
        Done,
        SomeFilesUnread, // a snapshot was made, but without some files
        Locked,          // another restic holds the repository
        WrongPassword,
        NoRepository,
        NotStarted, // restic is missing or could not be run
        TimedOut,
        Cancelled,
        Failed,
    };
    Kind kind = Kind::Failed;
    int exitCode = -1;
    QString message;   // restic's own words, for the player
    QByteArray output; // what it wrote to its standard output

    static Kind KindOf(int exitCode, const QByteArray& errors);
};
