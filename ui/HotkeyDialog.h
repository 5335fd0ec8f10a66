// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "HotkeyFile.h"

#include <QDialog>

class QKeySequenceEdit;

// Where the player picks the global hotkeys: one combination for each quick action, none to
// leave it off.
class HotkeyDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HotkeyDialog)

public:
    // The names of the actions in the order of HotkeyFile::Keys: the captions of their buttons.
    static const std::array<QString, 3>& ActionNames();

    HotkeyDialog(const HotkeyFile::Keys& current, QWidget* parent);

    HotkeyFile::Keys Chosen() const;

private:
    std::array<QKeySequenceEdit*, 3> m_edits{};
};
