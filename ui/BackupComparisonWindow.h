// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupCatalogue.h"
#include "BackupComparison.h"

#include <QWidget>

#include <vector>

class BackupSession;
class QComboBox;
class QLabel;
class QTreeWidget;

// What changed from one whole-save backup to the save as it is now, or to another backup of the
// same save: counts and sizes on top, the files below.
class BackupComparisonWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupComparisonWindow)

public:
    // `others`: the backups of the same save that may be chosen instead of the save.
    BackupComparisonWindow(BackupSession& session, saver::BackupEntry entry,
                           std::vector<saver::BackupEntry> others, QWidget* parent);

    QComboBox* const cboAgainst;
    QLabel* const lblSummary;
    QTreeWidget* const lstFiles;

private:
    void Compare();
    void Show(const saver::Comparison& comparison);

    BackupSession& m_session;
    saver::BackupEntry m_entry;
    std::vector<saver::BackupEntry> m_others;
    // The choice the shown comparison answers; an answer to an earlier one is dropped.
    int m_asked = -1;
};
