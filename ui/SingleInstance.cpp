// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// Local sockets share one namespace on the machine: the name is made from the data folder,
// so copies kept in different folders run side by side.
QString ServerName(const QString& dataFolder)
{
    const QByteArray hash =
        QCryptographicHash::hash(dataFolder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("mcsaver-") + QString::fromLatin1(hash.left(20));
}

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), m_serverName(ServerName(dataFolder)),
      m_lock(dataFolder + QLatin1Char('/') + LockFileName())
{
    // Only a lock whose process is gone counts as stale, however long a copy runs.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Role SingleInstance::Claim()
{
    if (m_lock.tryLock(0)) {
        Listen();
        return Role::Only;
    }
    if (m_lock.error() != QLockFile::LockFailedError) {
        return Role::Unlocked;
    }
    // The other copy may have its lock but not its socket yet; it gets a moment to open it.
    constexpr int kTries = 10;
    for (int tries = 0; tries < kTries; ++tries) {
        if (CallFirstCopy()) {
            break;
        }
        QThread::msleep(100);
    }
    return Role::Other;
}

void SingleInstance::Listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket of that name is left from a copy that was killed.
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName)) {
        return; // later starts still end at the lock; they just cannot call this copy forward
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            caller->disconnectFromServer();
            emit Wanted();
        }
    });
}

bool SingleInstance::CallFirstCopy() const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    constexpr int kWaitMs = 1000;
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    socket.disconnectFromServer();
    return true;
}
