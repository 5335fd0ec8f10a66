// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemServices.h"

#include "DirectoryStream.h"
#include "FileDataCopy.h"
#include "FileDescriptor.h"
#include "FolderCopier.h"
#include "FolderRemoval.h"
#include "IdleDiskPriority.h"
#include "NoReplaceRename.h"
#include "SessionLock.h"
#include "SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>
#include <vector>

namespace saver {
namespace {

constexpr std::size_t kFirstLineLimit = 32 * 1024;
constexpr std::size_t kReadChunk = 1024 * 1024;
constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;
constexpr mode_t kNewFileMode = S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH;

std::string ParentFolder(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A rename is only sure to survive a power cut once the folder holding the new name is
// flushed. That is all this adds: the rename itself is visible already, so a folder that
// cannot be opened for it (one without read permission) changes nothing.
void FlushParentFolder(const std::string& path)
{
    const FileDescriptor folder(
        ::open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.IsOpen()) {
        ::fsync(folder.Get());
    }
}

} // namespace

std::string SystemServices::FirstEntry(const std::string& path)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    return path.substr(path.rfind('/') + 1);
}

bool SystemServices::FolderExists(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

FileStatus SystemServices::Status(const std::string& path)
{
    struct stat link = {};
    const bool isLink = ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0) {
        FileStatus missing{LastError()};
        missing.isLink = isLink;
        return missing;
    }
    return {{},
            S_ISREG(info.st_mode),
            S_ISDIR(info.st_mode),
            static_cast<std::uint64_t>(info.st_size),
            info.st_mtim.tv_sec * std::int64_t{1'000'000'000} + info.st_mtim.tv_nsec,
            isLink};
}

std::string SystemServices::ResolvedPath(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? resolved : path;
}

bool SystemServices::IsLockedByAnotherProcess(const std::string& path)
{
    return saver::IsLockedByAnotherProcess(path);
}

std::vector<std::string> SystemServices::ListFolder(const std::string& path)
{
    std::vector<std::string> names;
    DirectoryStream entries(
        FileDescriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    while (const char* name = entries.Next()) {
        names.emplace_back(name);
    }
    return names;
}

std::error_code SystemServices::SetModified(const std::string& path, std::int64_t modifiedNs)
{
    const struct timespec times[2] = {{0, UTIME_OMIT},
                                      {modifiedNs / 1'000'000'000, modifiedNs % 1'000'000'000}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
        return LastError();
    }
    return {};
}

std::optional<std::uint64_t> SystemServices::FreeSpace(const std::string& path)
{
    struct statvfs info = {};
    if (::statvfs(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

std::error_code SystemServices::MakeDir(const std::string& path)
{
    // The user's umask decides who else may look in.
    if (::mkdir(path.c_str(), S_IRWXU | S_IRWXG | S_IRWXO) != 0) {
        return LastError();
    }
    return {};
}

std::error_code SystemServices::DeleteFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0) {
        return LastError();
    }
    return {};
}

std::error_code SystemServices::RemoveFolder(const std::string& path)
{
    return RemoveFolderTree(path);
}

std::error_code SystemServices::CopyFile(const std::string& from, const std::string& to)
{
    // O_NONBLOCK keeps a pipe given by mistake from blocking the open; it is refused below.
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!source.IsOpen()) {
        return LastError();
    }
    struct stat info = {};
    if (::fstat(source.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return ErrorOf(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    FileDescriptor target(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                                 info.st_mode & kPermissionBits));
    if (!target.IsOpen()) {
        return LastError();
    }
    std::error_code error =
        FileDataCopy(source, target)
            .Run(static_cast<std::uint64_t>(info.st_size), [](std::uint64_t) { return true; });
    if (!error && ::fsync(target.Get()) != 0) {
        error = LastError();
    }
    const std::error_code closed = target.Close();
    if (!error) {
        error = closed;
    }
    if (error) {
        ::unlink(to.c_str());
    }
    return error;
}

std::error_code SystemServices::Rename(const std::string& from, const std::string& to, bool replace)
{
    if (replace) {
        if (::rename(from.c_str(), to.c_str()) != 0) {
            return LastError();
        }
    } else if (const std::error_code error = RenameWithoutReplacing(from, to)) {
        return error;
    }
    FlushParentFolder(to);
    return {};
}

FolderCopyResult SystemServices::CopyFolder(const std::string& from, const std::string& into,
                                            const FolderCopyOptions& options)
{
    return FolderCopier(options).Run(from, into);
}

FirstLine SystemServices::ReadFirstLine(const std::string& path)
{
    FirstLine line;
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file.IsOpen()) {
        line.error = LastError();
        return line;
    }
    std::string bytes(kFirstLineLimit, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(file.Get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            line.error = LastError();
            return line;
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    line.present = filled > 0;
    line.text = bytes.substr(0, bytes.find_first_of("\r\n"));
    return line;
}

std::error_code SystemServices::WriteText(const std::string& path, const std::string& bytes)
{
    FileDescriptor file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kNewFileMode));
    if (!file.IsOpen()) {
        return LastError();
    }
    std::error_code error = file.WriteAll(bytes, 0);
    if (!error && ::fsync(file.Get()) != 0) {
        error = LastError();
    }
    const std::error_code closed = file.Close();
    return error ? error : closed;
}

std::error_code SystemServices::ReadChunks(const std::string& path,
                                           const std::function<void(std::string_view)>& take,
                                           const std::stop_token& cancel, DiskPriority priority)
{
    std::optional<IdleDiskPriority> idle;
    if (priority == DiskPriority::Idle) {
        idle.emplace();
    }
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC));
    if (!file.IsOpen()) {
        return LastError();
    }
    // Read once from start to end: the kernel may read ahead further than it would guess.
    ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<char> buffer(kReadChunk);
    while (!cancel.stop_requested()) {
        const ssize_t got = ::read(file.Get(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return LastError();
        }
        if (got == 0) {
            return {};
        }
        take(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
    return std::make_error_code(std::errc::operation_canceled);
}

bool SystemServices::SameFile(const std::string& first, const std::string& second)
{
    struct stat one = {};
    struct stat other = {};
    return ::stat(first.c_str(), &one) == 0 && ::stat(second.c_str(), &other) == 0 &&
           one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

} // namespace saver
