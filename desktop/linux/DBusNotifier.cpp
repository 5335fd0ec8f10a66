// SPDX-License-Identifier: GPL-3.0-or-later
#include "DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QtDebug>

void DBusNotifier::Notify(const QString& summary, const QString& body)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("io.github.mcsaver.McSaver")},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(1))}, // normal
    };
    call << QStringLiteral("MC存档自动保存") << 0U << QStringLiteral("io.github.mcsaver.McSaver")
         << summary << body << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [summary](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             qWarning().noquote() << "mcsaver: no desktop notification for"
                                                  << summary << "-" << finished->error().message();
                         }
                         finished->deleteLater();
                     });
}
