// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderMenu.h"

#include "BackupListWindow.h"
#include "BackupSession.h"
#include "BackupSettingsDialog.h"
#include "EventLogView.h"
#include "FolderOpener.h"

FolderMenu::FolderMenu(BackupSession& session, QWidget& window)
    : QMenu(&window), mnuOpenFolder(addAction(QStringLiteral("打开备份文件夹"))),
      mnuManage(addAction(QStringLiteral("备份管理"))),
      mnuBackupList(addAction(QStringLiteral("备份列表"))),
      mnuLog(addAction(QStringLiteral("事件记录"))),
      mnuHotkeys(addAction(QStringLiteral("全局快捷键…"))), m_session(session), m_window(window)
{
    setObjectName(QStringLiteral("mnuFolder"));
    mnuOpenFolder->setObjectName(QStringLiteral("mnuOpenFolder"));
    mnuLog->setObjectName(QStringLiteral("mnuLog"));
    mnuHotkeys->setObjectName(QStringLiteral("mnuHotkeys"));
    connect(mnuOpenFolder, &QAction::triggered, this, &FolderMenu::mnuOpenFolder_Click);
    connect(mnuManage, &QAction::triggered, this, &FolderMenu::mnuManage_Click);
    connect(mnuBackupList, &QAction::triggered, this, &FolderMenu::mnuBackupList_Click);
    connect(mnuLog, &QAction::triggered, this, &FolderMenu::mnuLog_Click);
}

FolderMenu::~FolderMenu() = default;

void FolderMenu::mnuOpenFolder_Click()
{
    FolderOpener::ShowBackups(m_session.DataFolder(), &m_window);
}

void FolderMenu::mnuManage_Click()
{
    if (BackupSettingsDialog::Edit(m_session, &m_window)) {
        mnuBackupList_Click();
    }
}

void FolderMenu::mnuBackupList_Click()
{
    if (m_backupList == nullptr) {
        m_backupList = std::make_unique<BackupListWindow>(m_session, &m_window);
    } else {
        m_backupList->Refresh();
    }
    m_backupList->show();
    m_backupList->raise();
    m_backupList->activateWindow();
}

void FolderMenu::mnuLog_Click()
{
    EventLogView view(m_session.Log(), &m_window);
    view.exec();
}
