// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <optional>
#include <string>
#include <system_error>

namespace saver {

// saver.ini beside the program: one line, the path of the chosen level.dat, in UTF-8, with the
// system's separators (backslashes on Windows, where either is read).
class SettingsFile
{
public:
    explicit SettingsFile(FileServices& files);

    std::string Path() const;
    struct Stored
    {
        std::optional<std::string> path;
        // The file is there but holds nothing that can be a stored path (garbage, not
        // UTF-8, a line too long, unreadable); it is left as it is for the player to replace.
        bool unusable = false;
    };
    Stored Load();
    std::error_code Save(const std::string& chosenPath);

private:
    FileServices& m_files;
};

bool IsValidUtf8(const std::string& text);
// Whether a path can be kept in saver.ini and read back the same.
bool IsStorablePath(const std::string& path);

} // namespace saver
