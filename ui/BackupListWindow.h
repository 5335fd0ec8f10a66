// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackgroundRestore.h"
#include "BackupCatalogue.h"
#include "BackupHolds.h"
#include "Services.h"

#include <QFileSystemWatcher>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// Every backup the program made, newest first, and what can be done with one: put it back over
// the save, keep it for good, show it in the file manager, move it to the trash. The list
// follows the data folder as backups come and go.
class BackupListWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupListWindow)

public:
    // `chosenLevelDat` gives the level.dat chosen in the main window at the time of asking.
    // `holds` is shared with the backups the program makes, whose pruning then passes over a
    // backup being restored.
    BackupListWindow(saver::FileServices& files, saver::Clock& clock, saver::BackupHolds& holds,
                     std::function<std::string()> chosenLevelDat, QWidget* parent);

    QLabel* const lblSave;
    QComboBox* const cboKind;
    QTreeWidget* const lstBackups;
    QPushButton* const cmdRestore;
    QPushButton* const cmdPin;
    QPushButton* const cmdOpen;
    QPushButton* const cmdDelete;
    QProgressBar* const barRestore;
    QLabel* const lblOutcome;

public slots:
    void Refresh();
    void cmdRestore_Click();
    void cmdPin_Click();
    void cmdOpen_Click();
    void cmdDelete_Click();

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
    bool GoAheadWhileInUse(const std::string& saveFolder);
    void FinishRestore(const saver::RestoreOutcome& outcome);
    void ShowOutcome(const QString& title, const QString& text);

    saver::FileServices& m_files;
    saver::Clock& m_clock;
    saver::BackupHolds& m_holds;
    std::function<std::string()> m_chosenLevelDat;
    std::vector<saver::BackupEntry> m_entries;
    QFileSystemWatcher m_watcher;
    // Gathers the bursts of changes a backup makes into one refresh.
    QTimer m_refreshSoon;
    // The game takes and drops its lock without touching the data folder.
    QTimer m_lockPoll;
    bool m_restoring = false;
    bool m_listing = false;
    bool m_listAgain = false; // asked for while a listing was under way
    // Last, so that a restore still running is stopped and a listing finished before anything
    // they report to goes.
    BackgroundRestore m_restore;
    std::jthread m_lister;
};
