// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DesktopNotifier.h"

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

class BackupSession;
class frm_timer;
class frmshow;

// The program's icon in the desktop's tray: the quick actions in its menu, the countdown and
// the last event in its tooltip, and failures as its messages. Made only where the desktop
// has a tray.
class TrayIcon final : public QObject, public DesktopNotifier
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TrayIcon)

public:
    TrayIcon(BackupSession& session, frmshow& floating, frm_timer& main);

    void Notify(const QString& summary, const QString& body) override;

    QMenu* Menu() { return &m_menu; }

private:
    void ShowCountdown(const QString& countdown);
    void ShowLastEvent(const QString& entry);
    void UpdateToolTip();

    BackupSession& m_session;
    QMenu m_menu;
    // After the menu: the icon lets go of it before it goes.
    QSystemTrayIcon m_icon;
    QString m_countdown;
    QString m_lastEvent;
};
