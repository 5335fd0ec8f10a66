// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <system_error>

namespace saver {

// Where the program keeps its settings and backups.
struct DataFolder
{
    std::string path; // empty when `error` is set
    std::error_code error;
};

// The folder of the executable while it can be written to, so a copy on a stick or in a
// game folder keeps everything beside itself; otherwise, as for a program installed under
// /usr/bin, `userDataDir`, made with its missing parents when needed. Writability is judged
// for the effective user, the one that would write the files. The folder a package installs
// the program into, `installedBinDir`, is never used even when writable (run as root); nor, on
// Windows, a folder where the installer left its mark, installed.txt.
DataFolder ChooseDataFolder(const std::string& executableDir, const std::string& userDataDir,
                            const std::string& installedBinDir = {});

} // namespace saver
