// SPDX-License-Identifier: GPL-3.0-or-later
#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

// Local sockets share one namespace on the machine: the name is made from the data folder,
// so copies kept in different folders run side by side. Windows names one folder in any case
// and with either separator.
QString ServerName(const QString& dataFolder)
{
    QString folder = QDir::cleanPath(QDir::fromNativeSeparators(dataFolder));
#ifdef Q_OS_WIN
    folder = folder.toLower();
#endif
    const QByteArray hash =
        QCryptographicHash::hash(folder.toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("mcsaver-") + QString::fromLatin1(hash.left(20));
}

// On Linux the socket lives in the abstract namespace: it goes with its process, so a name in
// use always belongs to a running copy, and binding it is the test. Elsewhere Qt ignores this.
constexpr auto kSocketOptions = QLocalServer::AbstractNamespaceOption;

} // namespace

SingleInstance::SingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), m_serverName(ServerName(dataFolder)),
      m_lockPath(QDir(dataFolder).filePath(LockFileName())), m_lock(m_lockPath)
{
    // Only a lock whose process is gone counts as stale, however long a copy runs.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Claim SingleInstance::ClaimDataFolder()
{
    if (m_lock.tryLock(0)) {
        // A copy that could not write its lock when it started still answers on the socket.
        // Asking is the test: Windows lets a second server listen on a pipe's name.
        const bool answered = CallFirstCopy();
        if (!answered && Listen()) {
            return {};
        }
        m_lock.unlock();
        return answered ? Claim{Role::Other, {}} : NotAnswering();
    }
    const bool lockedByOther = m_lock.error() == QLockFile::LockFailedError;
    const QString lockProblem = LockProblem();
    // The other copy may have its lock but not its socket yet; it gets a moment to open it.
    constexpr int kTries = 5;
    for (int tries = 0; tries < kTries; ++tries) {
        if (CallFirstCopy()) {
            return {Role::Other, {}};
        }
        QThread::msleep(100);
    }
    if (!Listen()) {
        return NotAnswering();
    }
    if (!lockedByOther) {
        // No copy answers and none can start beside this one now that it has the socket.
        return {Role::Only, QStringLiteral("无法写入锁文件 %1（%2）。程序照常运行，"
                                           "在这台电脑上不会有第二个程序同时使用这个文件夹。")
                                .arg(QDir::toNativeSeparators(m_lockPath), lockProblem)};
    }
    // Nobody answers for the lock: it is left from a copy that was killed, or from another
    // computer, or it is unreadable. A process that still holds it keeps it, though.
    if (m_lock.removeStaleLockFile() && m_lock.tryLock(0)) {
        return {};
    }
    return {Role::Refused,
            QStringLiteral("无法接管锁文件 %1：另一个程序仍然占用着它，或者它不是一个普通文件。\n"
                           "如果没有别的程序在使用这个数据文件夹，请删除它后再启动。")
                .arg(QDir::toNativeSeparators(m_lockPath))};
}

SingleInstance::Claim SingleInstance::NotAnswering() const
{
    return {Role::Refused, QStringLiteral("另一个程序正在使用数据文件夹 %1，但它没有应答。\n"
                                          "请等它结束，或在任务管理器里结束它后再启动。")
                               .arg(QDir::toNativeSeparators(QFileInfo(m_lockPath).path()))};
}

QString SingleInstance::LockProblem() const
{
    switch (m_lock.error()) {
    case QLockFile::NoError:
    case QLockFile::LockFailedError:
        return {};
    case QLockFile::PermissionError:
        return QStringLiteral("没有权限或磁盘已满");
    case QLockFile::UnknownError:
        break;
    }
    return QStringLiteral("读写错误");
}

bool SingleInstance::Listen()
{
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(kSocketOptions);
    if (!m_server->listen(m_serverName)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* caller = m_server->nextPendingConnection()) {
            connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
            caller->disconnectFromServer();
            emit Wanted();
        }
    });
    return true;
}

bool SingleInstance::CallFirstCopy() const
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(m_serverName);
    constexpr int kWaitMs = 1000;
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    socket.disconnectFromServer();
    return true;
}
