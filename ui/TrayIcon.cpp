// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayIcon.h"

#include "BackupSession.h"
#include "FolderOpener.h"
#include "frm_timer.h"
#include "frmshow.h"

TrayIcon::TrayIcon(BackupSession& session, frmshow& floating, frm_timer& main) : m_session(session)
{
    m_menu.addAction(QStringLiteral("显示主窗口"), &floating, [&floating, &main] {
        main.show();
        floating.BringForward();
    });
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("保存"), &session,
                     [&session] { session.Quick(BackupSession::QuickAction::Save); });
    m_menu.addAction(QStringLiteral("覆盖"), &session,
                     [&session] { session.Quick(BackupSession::QuickAction::Restore); });
    m_menu.addAction(QStringLiteral("整体手动保存"), &session, &BackupSession::StartWholeSave);
    m_menu.addAction(QStringLiteral("打开备份文件夹"), &session,
                     [&session] { FolderOpener::ShowBackups(session.DataFolder(), nullptr); });
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("退出"), &floating, &QWidget::close);

    m_icon.setIcon(QIcon(QStringLiteral(":/io.github.mcsaver.McSaver.png")));
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [&floating](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    floating.lbl_Click();
                }
            });
    connect(&session, &BackupSession::CountdownChanged, this, &TrayIcon::ShowCountdown);
    connect(&session, &BackupSession::Logged, this, &TrayIcon::ShowLastEvent);
    connect(&session, &BackupSession::AutoBackupChanged, this, &TrayIcon::UpdateToolTip);
    UpdateToolTip();
    m_icon.show();
}

void TrayIcon::Notify(const QString& summary, const QString& body)
{
    m_icon.showMessage(summary, body, QSystemTrayIcon::Warning);
}

void TrayIcon::ShowCountdown(const QString& countdown)
{
    m_countdown = countdown;
    UpdateToolTip();
}

void TrayIcon::ShowLastEvent(const QString& entry)
{
    m_lastEvent = entry;
    UpdateToolTip();
}

void TrayIcon::UpdateToolTip()
{
    QString tip = QStringLiteral("MC存档自动保存\n") +
                  (m_session.AutoBackupOn() ? QStringLiteral("倒计时 ") + m_countdown
                                            : QStringLiteral("自动备份未开启"));
    if (!m_lastEvent.isEmpty()) {
        tip += QLatin1Char('\n') + m_lastEvent;
    }
    m_icon.setToolTip(tip);
}
