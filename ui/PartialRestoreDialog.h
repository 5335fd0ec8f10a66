// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <QDialog>

#include <string>
#include <vector>

class QDialogButtonBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The files of a backup's save as a tree to tick: a ticked folder stands for all it holds.
class PartialRestoreDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PartialRestoreDialog)

public:
    // `entries`: what the backup's save holds, as its listing gives them.
    PartialRestoreDialog(const std::vector<saver::TreeEntry>& entries, QWidget* parent);

    // The ticked files and folders below the save, each folder once and not what is in it.
    std::vector<std::string> Chosen() const;

    QTreeWidget* const lstFiles;
    QDialogButtonBox* const buttons;
    QPushButton* const cmdOK;

private:
    void UpdateOK();
};
