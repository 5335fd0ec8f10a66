// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <QKeySequence>

#include <array>
#include <system_error>

// hotkeys.ini in the data folder: one line holding the combinations for quick save, restore
// and whole-save backup, in that order, separated by tabs, each in Qt's portable text
// ("Ctrl+Alt+S"), empty for none. Written like saver.ini: whole or not at all.
class HotkeyFile final
{
public:
    using Keys = std::array<QKeySequence, 3>;

    explicit HotkeyFile(saver::FileServices& files);

    std::string Path() const;
    // No file, or one that cannot be read, means no hotkeys: they are off until chosen.
    Keys Load();
    std::error_code Save(const Keys& keys);

private:
    saver::FileServices& m_files;
};
