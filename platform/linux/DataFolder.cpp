// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFolder.h"

#include "SystemError.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>

namespace saver {
namespace {

bool CanWriteInto(const std::string& folder)
{
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool SameFolder(const std::string& a, const std::string& b)
{
    std::error_code error;
    return !a.empty() && !b.empty() && std::filesystem::equivalent(a, b, error);
}

} // namespace

DataFolder ChooseDataFolder(const std::string& executableDir, const std::string& userDataDir,
                            const std::string& installedBinDir)
{
    if (!SameFolder(executableDir, installedBinDir) && CanWriteInto(executableDir)) {
        return {executableDir, {}};
    }
    // Qt gives no folder when it finds no home; writing to the current folder instead would
    // scatter backups wherever the program happened to be started.
    if (userDataDir.empty()) {
        return {{}, ErrorOf(ENOENT)};
    }
    std::error_code error;
    std::filesystem::create_directories(userDataDir, error);
    if (error) {
        return {{}, ErrorOf(error.value())};
    }
    if (!CanWriteInto(userDataDir)) {
        return {{}, LastError()};
    }
    return {userDataDir, {}};
}

} // namespace saver
