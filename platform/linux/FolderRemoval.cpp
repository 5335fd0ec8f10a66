// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderRemoval.h"

#include "DirectoryStream.h"
#include "FileDescriptor.h"
#include "SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace saver {
namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr mode_t kOwnerNeeds = S_IWUSR | S_IXUSR;

std::error_code OpenFolderForRemoval(int parent, const char* name, FileDescriptor& folder)
{
    folder = FileDescriptor(::openat(parent, name, kFolderFlags));
    if (!folder.IsOpen()) {
        if (errno != EACCES) {
            return LastError();
        }
        // A folder without read permission cannot even be listed until its owner restores it.
        if (::fchmodat(parent, name, S_IRWXU, 0) != 0) {
            return ErrorOf(EACCES);
        }
        folder = FileDescriptor(::openat(parent, name, kFolderFlags));
        if (!folder.IsOpen()) {
            return LastError();
        }
    }
    struct stat info = {};
    if (::fstat(folder.Get(), &info) != 0) {
        return LastError();
    }
    // Without write and search permission nothing inside could be removed. When the chmod is
    // refused (not our folder), the unlink that follows reports the real error.
    if ((info.st_mode & kOwnerNeeds) != kOwnerNeeds) {
        ::fchmod(folder.Get(), (info.st_mode & 07777) | S_IRWXU);
    }
    return {};
}

std::error_code RemoveFolderAt(int parent, const char* name);

std::error_code RemoveContents(FileDescriptor folder)
{
    // All names are read before the first removal: some filesystems skip entries when a
    // folder changes while it is being listed.
    DirectoryStream entries(std::move(folder));
    std::vector<std::string> names;
    while (const char* name = entries.Next()) {
        names.emplace_back(name);
    }
    if (entries.Error()) {
        return entries.Error();
    }
    for (const std::string& name : names) {
        if (::unlinkat(entries.Fd(), name.c_str(), 0) == 0) {
            continue;
        }
        // Linux answers EISDIR for folders, which saves a stat of every entry.
        if (errno != EISDIR) {
            return LastError();
        }
        if (const std::error_code error = RemoveFolderAt(entries.Fd(), name.c_str())) {
            return error;
        }
    }
    return {};
}

std::error_code RemoveFolderAt(int parent, const char* name)
{
    FileDescriptor folder;
    if (const std::error_code error = OpenFolderForRemoval(parent, name, folder)) {
        return error;
    }
    if (const std::error_code error = RemoveContents(std::move(folder))) {
        return error;
    }
    if (::unlinkat(parent, name, AT_REMOVEDIR) != 0) {
        return LastError();
    }
    return {};
}

} // namespace

std::error_code RemoveFolderTree(const std::string& path)
{
    return RemoveFolderAt(AT_FDCWD, path.c_str());
}

} // namespace saver
