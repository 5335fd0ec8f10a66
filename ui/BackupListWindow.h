// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupCatalogue.h"
#include "WholeSaveRestore.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

class BackupSession;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// Every backup the program made, newest first, and what can be done with one: put it back over
// the save, keep it for good, show it in the file manager, move it to the trash, compare it,
// check it against its manifest. The list
// follows the data folder as backups come and go.
class BackupListWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupListWindow)

public:
    BackupListWindow(BackupSession& session, QWidget* parent);

    QLabel* const lblSave;
    QComboBox* const cboKind;
    QLineEdit* const txtFilter;
    QTreeWidget* const lstBackups;
    QPushButton* const cmdRestore;
    QPushButton* const cmdPin;
    QPushButton* const cmdOpen;
    QPushButton* const cmdDelete;
    QPushButton* const cmdPartialRestore;
    QPushButton* const cmdNote;
    QPushButton* const cmdOffsiteList;
    QProgressBar* const barRestore;
    QPushButton* const cmdCompare;
    QPushButton* const cmdVerify;
    QPushButton* const cmdVerifyAll;
    QProgressBar* const barVerify;
    QPushButton* const cmdCancelVerify;
    QLabel* const lblOutcome;

public slots:
    void Refresh();
    void cmdRestore_Click();
    void cmdPin_Click();
    void cmdOpen_Click();
    void cmdDelete_Click();
    void cmdCompare_Click();
    void cmdVerify_Click();
    void cmdVerifyAll_Click();
    void cmdCancelVerify_Click();
    void cmdPartialRestore_Click();
    void cmdNote_Click();
    void cmdOffsiteList_Click();

private:
    void LayOut();
    void WatchFolders();
    void ShowEntries();
    void ShowSaveState();
    void UpdateButtons();
    std::optional<saver::BackupEntry> Selected() const;
    void RestoreFolder(const saver::BackupEntry& entry);
    void RestoreFile(const saver::BackupEntry& entry);
    // Asks the player to go on when the game has the save open; true when it has not.
    bool GoAheadWhileInUse();
    // Shown when a restore cannot be made at all.
    void ShowRefused(saver::RestoreOutcome::Cause cause);
    // From here the restore runs: the window waits for its end.
    void BeginRestore(const QString& saveName);
    void FinishRestore(bool failed, const QString& text);
    void ShowOutcome(const QString& title, const QString& text);
    void StartVerify(const std::vector<saver::BackupEntry>& entries);
    void ShowVerifyProgress(int index, int count, const QString& name, int percent);
    void FinishVerify(bool damaged, const QString& text);

    BackupSession& m_session;
    std::vector<saver::BackupEntry> m_entries;
    QFileSystemWatcher m_watcher;
    // Gathers the bursts of changes a backup makes into one refresh.
    QTimer m_refreshSoon;
    // The game takes and drops its lock without touching the data folder.
    QTimer m_lockPoll;
    bool m_restoring = false;
    bool m_listing = false;
    bool m_listAgain = false; // asked for while a listing was under way
};
