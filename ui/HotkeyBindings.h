// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlobalHotkeys.h"
#include "HotkeyFile.h"

#include <QObject>

class BackupSession;

// The global hotkeys the player chose, kept in the data folder, and what each does: exactly
// what the button of the same name does, through the same session.
class HotkeyBindings final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HotkeyBindings)

public:
    // `hotkeys` is null where the desktop hands out no global keys.
    HotkeyBindings(BackupSession& session, GlobalHotkeys* hotkeys);

    // Takes the combinations kept from an earlier run; a refusal is told above `parent`.
    void Load(QWidget* parent);
    // Lets the player choose them in a dialog above `parent`, and keeps what could be had.
    void Edit(QWidget* parent);

private:
    // Binds each of `keys`; a refused one is named in a message above `parent` and left out
    // of the returned set.
    HotkeyFile::Keys Bind(const HotkeyFile::Keys& keys, QWidget* parent);
    void Run(GlobalHotkeys::Action action);

    BackupSession& m_session;
    HotkeyFile m_file;
    GlobalHotkeys* m_hotkeys;
    HotkeyFile::Keys m_current;
};
