// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupOptions.h"

#include <QDialog>

#include <system_error>

class BackupSession;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The rules that keep whole-save backups within the disk: how many, how much space, whether
// manual ones may go, whether unchanged saves are backed up again; and whether leaving the world
// makes a backup. Also tells what the
// backups really take, since file managers count every backup whole.
class BackupSettingsDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupSettingsDialog)

public:
    BackupSettingsDialog(const saver::BackupOptions& options, QWidget* parent);

    // Lets the player change the session's rules above `parent`, with what the backups take
    // measured meanwhile; true when the player asked for the backup list next.
    static bool Edit(BackupSession& session, QWidget* parent);
    // Tells the player that a setting holds for this run only.
    // The settings live in `dataFolder`: a refusal there is named with it.
    static void WarnNotSaved(QWidget* parent, const std::error_code& error,
                             const QString& dataFolder);

    // What the backups take, once it has been measured; until then the dialog says it is
    // being measured.
    void ShowDiskUsage(const QString& total);

    saver::BackupOptions Options() const;
    // The player closed the dialog with "备份列表…": the options are taken, then the list opens.
    bool BackupListWanted() const { return m_backupListWanted; }

    QCheckBox* const chkKeepNewest;
    QSpinBox* const spnKeepNewest;
    QCheckBox* const chkKeepSize;
    QSpinBox* const spnKeepSize;
    QCheckBox* const chkPruneManual;
    QCheckBox* const chkSkipUnchanged;
    QCheckBox* const chkWorldClosed;
    QLabel* const lblUsage;
    QPushButton* const cmdBackupList;
    // 异地备份: where restic keeps copies off this machine.
    QComboBox* const cboOffsite;
    QLineEdit* const txtRepository;
    QComboBox* const cboPassword;
    QLineEdit* const txtPassword;
    QPushButton* const cmdCheckRepository;
    QLabel* const lblRepository;

private:
    QWidget* OffsiteGroup(const saver::OffsiteOptions& offsite);
    // Runs `restic cat config` with what the dialog holds, and offers to create a repository
    // where there is none.
    void CheckRepository(BackupSession& session);

    saver::BackupOptions m_options;
    bool m_backupListWanted = false;
};
