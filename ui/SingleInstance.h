// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

// One copy of the program per data folder: two would remove each other's partial backups and
// race on every file name. The first copy holds a lock file in the data folder and listens
// on a local socket; a later start tells it to come forward and then ends.
class SingleInstance final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    explicit SingleInstance(const QString& dataFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Role {
        Only,    // this copy holds the lock and may clean up the data folder
        Other,   // another copy holds it and has been asked to come forward
        Unlocked // no lock file can be made there: run, but touch no one's leftovers
    };
    Role Claim();

    static QString LockFileName() { return QStringLiteral(".mcsaver.lock"); }

signals:
    // A later start of the program asked for the windows.
    void Wanted();

private:
    void Listen();
    bool CallFirstCopy() const;

    const QString m_serverName;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};
