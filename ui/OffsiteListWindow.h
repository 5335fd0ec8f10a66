// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Snapshot.h"

#include <QWidget>

#include <vector>

class BackupSession;
class QLabel;
class QPushButton;
class QTreeWidget;
struct ResticOutcome;
namespace saver {
struct BackupEntry;
}

// The snapshots restic keeps of the chosen save, newest first, from this machine and any
// other: one of them can be put back over the save, as a backup of the data folder is.
class OffsiteListWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OffsiteListWindow)

public:
    OffsiteListWindow(BackupSession& session, QWidget* parent);

    QTreeWidget* const lstSnapshots;
    QPushButton* const cmdRefresh;
    QPushButton* const cmdRestore;
    QLabel* const lblOutcome;

public slots:
    void Refresh();
    void cmdRestore_Click();

private:
    void ShowSnapshots(const ResticOutcome& outcome, std::vector<Snapshot> snapshots);
    // restic measures one snapshot per run: the sizes fill in one after another.
    void MeasureFrom(int row);
    void RestoreFetched(const ResticOutcome& outcome, const saver::BackupEntry& entry);
    void UpdateButtons();

    BackupSession& m_session;
    std::vector<Snapshot> m_snapshots;
    bool m_busy = false;
};
