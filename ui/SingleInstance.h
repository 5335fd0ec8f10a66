// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DataLayout.h"

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One copy of the program per data folder: two would remove each other's partial backups and
// race on every file name. The first copy holds a lock file in the data folder and listens
// on a local socket named after the folder; a later start calls it forward and ends. The
// socket decides whether a copy is alive: a lock file nobody answers for is stale, whatever it
// holds, and where no lock file can be written the socket alone keeps a second copy out.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        Only,   // this copy runs and may clean up the data folder
        Other,  // another copy runs and has been called forward
        Refused // this copy must not run: `reason` says why
    };
    struct Claim
    {
        Role role = Role::Only;
        // Refused: why. Only: what the player should know of the lock file, or "".
        QString reason;
    };
    Claim ClaimDataFolder();

    static QString LockFileName() { return QString::fromUtf8(saver::kLockFileName); }

signals:
    // A later start of the program asked for the windows.
    void Wanted();

private:
    bool Listen();
    bool CallFirstCopy() const;
    QString LockProblem() const;
    Claim NotAnswering() const;

    const QString m_serverName;
    const QString m_lockPath;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};
