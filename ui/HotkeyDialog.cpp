// SPDX-License-Identifier: GPL-3.0-or-later
#include "HotkeyDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeySequenceEdit>
#include <QLabel>

const std::array<QString, 3>& HotkeyDialog::ActionNames()
{
    static const std::array<QString, 3> names{QStringLiteral("保存"), QStringLiteral("覆盖"),
                                              QStringLiteral("整体手动保存")};
    return names;
}

HotkeyDialog::HotkeyDialog(const HotkeyFile::Keys& current, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("全局快捷键"));
    auto* layout = new QFormLayout(this);
    layout->addRow(new QLabel(QStringLiteral("游戏在前台时也有效。组合键须含 Ctrl、Alt、Shift "
                                             "或 Meta；留空则不用。"),
                              this));
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        auto* edit = new QKeySequenceEdit(current[i], this);
        edit->setClearButtonEnabled(true);
        // The edit goes on recording chords for a moment; a hotkey is one combination.
        connect(edit, &QKeySequenceEdit::keySequenceChanged, edit,
                [edit](const QKeySequence& keys) {
                    if (keys.count() > 1) {
                        edit->setKeySequence(QKeySequence(keys[0]));
                    }
                });
        layout->addRow(ActionNames()[i], edit);
        m_edits[i] = edit;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);
}

HotkeyFile::Keys HotkeyDialog::Chosen() const
{
    HotkeyFile::Keys keys;
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        keys[i] = m_edits[i]->keySequence();
    }
    return keys;
}
