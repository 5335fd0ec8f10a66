// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "GlobalHotkeys.h"
#include "HotkeyFile.h"

#include <QObject>

class frmshow;

// The global hotkeys the player chose, kept in the data folder, and what each does: exactly
// what the button of the same name does, colour step and messages included.
class HotkeyBindings final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HotkeyBindings)

public:
    // `hotkeys` is null where the desktop hands out no global keys.
    HotkeyBindings(saver::FileServices& files, frmshow& floating, GlobalHotkeys* hotkeys);

    // Takes the combinations kept from an earlier run.
    void Load();
    // Lets the player choose them in a dialog above `parent`, and keeps what could be had.
    void Edit(QWidget* parent);

private:
    // Binds each of `keys`; a refused one is named in a message above `parent` and left out
    // of the returned set.
    HotkeyFile::Keys Bind(const HotkeyFile::Keys& keys, QWidget* parent);
    void Run(GlobalHotkeys::Action action);

    HotkeyFile m_file;
    frmshow& m_floating;
    GlobalHotkeys* m_hotkeys;
    HotkeyFile::Keys m_current;
};
