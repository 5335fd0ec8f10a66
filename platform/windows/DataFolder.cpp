// SPDX-License-Identifier: GPL-3.0-or-later
#include "DataFolder.h"

#include "DataLayout.h"
#include "FileHandle.h"
#include "WidePath.h"
#include "WinError.h"

namespace saver {
namespace {

// Windows decides who may write by access lists that only a try reads truly.
std::error_code TryWritingInto(const std::string& folder)
{
    const std::wstring probe =
        WidePath(folder + "/" + kWriteProbePrefix + std::to_string(::GetCurrentProcessId()) +
                 kWriteProbeSuffix);
    const FileHandle file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                                        nullptr));
    return file.IsOpen() ? std::error_code{} : LastWinError();
}

bool SameFolder(const std::string& a, const std::string& b)
{
    if (a.empty() || b.empty()) {
        return false;
    }
    const FileFacts first = OpenShared(a, 0).Facts(), second = OpenShared(b, 0).Facts();
    return !first.error && !second.error && first.volume == second.volume &&
           first.index == second.index;
}

// The installer leaves this file beside the program (data/windows/mcsaver.nsi). An installed
// copy can write to its folder, a user's own, but keeps its files in the user's data folder: the
// uninstaller empties the one, and must never touch backups.
bool InstalledBySetup(const std::string& folder)
{
    const FileFacts mark = OpenShared(folder + "/installed.txt", 0).Facts();
    return !mark.error && !mark.isFolder;
}

// The folder with its missing parents, as a fresh user has no folder of the program yet.
std::error_code MakeFolders(const std::string& folder)
{
    if (::CreateDirectoryW(WidePath(folder).c_str(), nullptr)) {
        return {};
    }
    const DWORD error = ::GetLastError();
    const std::size_t slash = folder.find_last_of("/\\");
    if (error == ERROR_ALREADY_EXISTS) {
        return OpenShared(folder, 0).Facts().isFolder ? std::error_code{} : WinError(error);
    }
    if (error != ERROR_PATH_NOT_FOUND || slash == std::string::npos || slash == 0) {
        return WinError(error);
    }
    if (const std::error_code parent = MakeFolders(folder.substr(0, slash))) {
        return parent;
    }
    return ::CreateDirectoryW(WidePath(folder).c_str(), nullptr) ? std::error_code{}
                                                                 : LastWinError();
}

} // namespace

DataFolder ChooseDataFolder(const std::string& executableDir, const std::string& userDataDir,
                            const std::string& installedBinDir)
{
    if (!SameFolder(executableDir, installedBinDir) && !executableDir.empty() &&
        !InstalledBySetup(executableDir) && !TryWritingInto(executableDir)) {
        return {executableDir, {}};
    }
    // Without a user folder, writing to the current folder instead would scatter backups
    // wherever the program happened to be started.
    if (userDataDir.empty()) {
        return {{}, std::make_error_code(std::errc::no_such_file_or_directory)};
    }
    if (const std::error_code error = MakeFolders(userDataDir)) {
        return {{}, error};
    }
    if (const std::error_code error = TryWritingInto(userDataDir)) {
        return {{}, error};
    }
    return {userDataDir, {}};
}

} // namespace saver
