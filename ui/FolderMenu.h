// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMenu>

#include <memory>

class BackupListWindow;
class BackupSession;

// The main window's right-click menu: the backup folder, the rules, the list of backups, the
// event log and the hotkeys. The windows it opens belong to the main window.
class FolderMenu final : public QMenu
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FolderMenu)

public:
    FolderMenu(BackupSession& session, QWidget& window);
    ~FolderMenu() override;

    QAction* const mnuOpenFolder;
    QAction* const mnuManage;
    QAction* const mnuBackupList;
    QAction* const mnuLog;
    // The program connects it to the hotkey settings where it has them.
    QAction* const mnuHotkeys;

public slots:
    void mnuOpenFolder_Click();
    void mnuManage_Click();
    void mnuBackupList_Click();
    void mnuLog_Click();

private:
    BackupSession& m_session;
    QWidget& m_window;
    // Made the first time it is asked for.
    std::unique_ptr<BackupListWindow> m_backupList;
};
