// SPDX-License-Identifier: GPL-3.0-or-later
#include "TrayIcon.h"

#include "ColourButton.h"
#include "frm_timer.h"
#include "frmshow.h"

TrayIcon::TrayIcon(frmshow& floating) : m_floating(floating)
{
    frm_timer& main = m_floating.MainWindow();
    m_menu.addAction(QStringLiteral("显示主窗口"), &m_floating, [this, &main] {
        main.show();
        m_floating.BringForward();
    });
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("保存"), &m_floating, &frmshow::cmdSave_Click);
    m_menu.addAction(QStringLiteral("覆盖"), &m_floating, &frmshow::cmdPaste_Click);
    m_menu.addAction(QStringLiteral("整体手动保存"), &main, &frm_timer::Command4_Click);
    m_menu.addAction(QStringLiteral("打开备份文件夹"), &main, &frm_timer::mnuOpenFolder_Click);
    m_menu.addSeparator();
    m_menu.addAction(QStringLiteral("退出"), &m_floating, &QWidget::close);

    m_icon.setIcon(QIcon(QStringLiteral(":/io.github.mcsaver.McSaver.png")));
    m_icon.setContextMenu(&m_menu);
    connect(&m_icon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    m_floating.lbl_Click();
                }
            });
    connect(&main, &frm_timer::CountdownChanged, this, &TrayIcon::ShowCountdown);
    connect(&m_floating, &frmshow::Reported, this, &TrayIcon::ShowLastEvent);
    connect(main.chk1, &QPushButton::toggled, this, &TrayIcon::UpdateToolTip);
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
    QString tip =
        QStringLiteral("MC存档自动保存\n") + (m_floating.MainWindow().chk1->isChecked()
                                                  ? QStringLiteral("倒计时 ") + m_countdown
                                                  : QStringLiteral("自动备份未开启"));
    if (!m_lastEvent.isEmpty()) {
        tip += QLatin1Char('\n') + m_lastEvent;
    }
    m_icon.setToolTip(tip);
}
