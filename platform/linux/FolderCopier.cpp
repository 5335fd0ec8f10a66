// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderCopier.h"

#include "DirectoryStream.h"
#include "IdleDiskPriority.h"
#include "SharingRule.h"
#include "SystemError.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

namespace saver {
namespace {

constexpr std::uint64_t kReportEveryBytes = std::uint64_t{4} << 20;
// A file still changing after this many copies is kept as last copied: a save the game
// writes all the time must not make the backup fail.
constexpr int kCopyTries = 3;
// Set-user-ID and similar bits have no business on a backup copy.
constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Files copied at once. Copying from the page cache is work for the processor, so two cores
// copy nearly twice as fast; more threads than that only help a disk that answers slowly.
unsigned CopyThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
}

std::string WithoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// An entry that vanished between being listed and being opened is no longer part of the
// save (the game replaces files by renaming), so it is passed over instead of failing.
std::error_code UnlessVanished(std::error_code error)
{
    return error == std::errc::no_such_file_or_directory ? std::error_code{} : error;
}

std::error_code CopyAttributes(int fd, const struct stat& info)
{
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (::fchmod(fd, info.st_mode & kPermissionBits) != 0 || ::futimens(fd, times) != 0) {
        return LastError();
    }
    return {};
}

std::error_code CreateFolder(int parent, const char* name, FileDescriptor& folder)
{
    // Private and writable while it fills; the source's permissions come last.
    if (::mkdirat(parent, name, S_IRWXU) != 0) {
        return LastError();
    }
    folder = FileDescriptor(::openat(parent, name, kFolderFlags));
    return folder.IsOpen() ? std::error_code{} : LastError();
}

std::error_code CopyLink(int from, int to, const char* name, const struct stat& info)
{
    // st_size is the length of the link text, but some filesystems report 0.
    std::string text(std::max<std::size_t>(static_cast<std::size_t>(info.st_size) + 1, 256), '\0');
    for (;;) {
        const ssize_t length = ::readlinkat(from, name, text.data(), text.size());
        if (length < 0) {
            return UnlessVanished(LastError());
        }
        if (static_cast<std::size_t>(length) < text.size()) {
            text.resize(static_cast<std::size_t>(length));
            break;
        }
        text.resize(text.size() * 2);
    }
    return ::symlinkat(text.c_str(), to, name) == 0 ? std::error_code{} : LastError();
}

} // namespace

FolderCopier::FolderCopier(const FolderCopyOptions& options, const KernelCopyCalls& calls)
    : m_options(options), m_calls(calls), m_team(CopyThreads())
{
}

FolderCopyResult FolderCopier::Run(const std::string& from, const std::string& into)
{
    const IdleDiskPriority idle;
    m_root = WithoutTrailingSlashes(from);
    const std::error_code error = CopyTree(m_root, into);
    return {m_failure ? m_failure : error, m_changedFiles};
}

std::error_code FolderCopier::CopyTree(const std::string& from, const std::string& into)
{
    if (Stopped()) {
        return ErrorOf(ECANCELED);
    }
    // The folder named by the caller may be a link; only what lies inside is not followed.
    FileDescriptor source(::open(from.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!source.IsOpen()) {
        return LastError();
    }
    FileDescriptor destination(::open(into.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!destination.IsOpen()) {
        return LastError();
    }
    struct stat info = {};
    if (::fstat(source.Get(), &info) != 0) {
        return LastError();
    }
    if (m_options.progress) {
        m_bytesTotal = Measure(FileDescriptor(::openat(source.Get(), ".", kFolderFlags)), from);
        if (Stopped()) {
            return ErrorOf(ECANCELED);
        }
        const std::lock_guard lock(m_progressMutex);
        Report();
    }
    const std::string name = from.substr(from.rfind('/') + 1);
    FileDescriptor target;
    if (const std::error_code error = CreateFolder(destination.Get(), name.c_str(), target)) {
        return error;
    }
    if (::fstat(target.Get(), &m_copy) != 0) {
        return LastError();
    }
    if (const std::error_code error = FillFolder(std::move(source), from, target, info)) {
        return error;
    }
    if (const std::error_code error = m_writeBehind.Finish()) {
        return error;
    }
    // The caller renames the copy into place next; without this a power cut could leave
    // that name pointing at files whose data never reached the disk.
    if (::syncfs(target.Get()) != 0) {
        return LastError();
    }
    const std::lock_guard lock(m_progressMutex);
    m_bytesTotal = m_bytesDone;
    Report();
    return {};
}

void FolderCopier::Fail(const std::error_code& error)
{
    const std::lock_guard lock(m_failureMutex);
    if (!m_failure) {
        m_failure = error;
    }
    m_failed = true;
}

bool FolderCopier::LeftOut(const std::string& path) const
{
    return m_options.leaveOut && m_options.leaveOut(path);
}

// Errors are ignored here: the copy meets the same entries and reports them properly. A stop
// ends it early, as a big tree takes a while to walk.
std::uint64_t FolderCopier::Measure(FileDescriptor folder, const std::string& path) const
{
    std::uint64_t total = 0;
    DirectoryStream entries(std::move(folder));
    while (const char* name = entries.Next()) {
        if (Stopped()) {
            break;
        }
        const std::string entry = path + "/" + name;
        struct stat info = {};
        if (LeftOut(entry) || ::fstatat(entries.Fd(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISREG(info.st_mode)) {
            total += static_cast<std::uint64_t>(info.st_size);
        } else if (S_ISDIR(info.st_mode)) {
            total += Measure(FileDescriptor(::openat(entries.Fd(), name, kFolderFlags)), entry);
        }
    }
    return total;
}

// Called with m_progressMutex held, so that the caller's progress function never runs
// on two threads at once and the figures it gets only grow.
void FolderCopier::Report()
{
    const std::uint64_t done = m_bytesDone;
    m_reportedAt = done;
    if (m_options.progress) {
        m_options.progress(done, std::max(done, m_bytesTotal));
    }
}

bool FolderCopier::Step(std::uint64_t bytes)
{
    m_bytesDone += bytes;
    if (m_options.progress) {
        // Taken on every step: a stop that a report asks for is then seen by every step
        // after it, on whichever thread.
        const std::lock_guard lock(m_progressMutex);
        if (m_bytesDone >= m_reportedAt + kReportEveryBytes) {
            Report();
        }
    }
    return !Stopped();
}

// A copy that starts again takes back what its last try counted.
void FolderCopier::Unstep(std::uint64_t bytes)
{
    m_bytesDone -= bytes;
    const std::lock_guard lock(m_progressMutex);
    m_reportedAt = std::min<std::uint64_t>(m_reportedAt, m_bytesDone);
}

// Permissions and times are set after the contents, whose creation changes them.
std::error_code FolderCopier::FillFolder(FileDescriptor source, const std::string& path,
                                         const FileDescriptor& target, const struct stat& info)
{
    DirectoryStream entries(std::move(source));
    std::vector<std::string> files;
    while (const char* name = entries.Next()) {
        if (Stopped()) {
            return ErrorOf(ECANCELED);
        }
        if (const std::error_code error =
                CopyEntry(entries.Fd(), path, target.Get(), name, files)) {
            return error;
        }
    }
    if (entries.Error()) {
        return entries.Error();
    }
    const auto copyFile = [&](std::size_t i) {
        if (Stopped()) {
            return;
        }
        if (const std::error_code error =
                CopyFile(entries.Fd(), target.Get(), path, files[i].c_str())) {
            Fail(error);
        }
    };
    // A clone is a little bookkeeping in the filesystem, where a second thread would only
    // wait for the first one's lock on the folder; copying bytes keeps a processor busy,
    // and there two threads copy nearly twice as fast. The first file tells which it is.
    std::size_t first = 0;
    if (m_blocks == Blocks::Unknown && !files.empty()) {
        copyFile(first++);
    }
    if (m_blocks == Blocks::Shared) {
        for (std::size_t i = first; i < files.size(); ++i) {
            copyFile(i);
        }
    } else {
        m_team.RunAll(files.size() - first, [&](std::size_t i) { copyFile(first + i); });
    }
    if (Stopped()) {
        return ErrorOf(ECANCELED);
    }
    return CopyAttributes(target.Get(), info);
}

// Folders and links are made at once; regular files are added to `files`.
std::error_code FolderCopier::CopyEntry(int from, const std::string& path, int to, const char* name,
                                        std::vector<std::string>& files)
{
    const std::string entry = path + "/" + name;
    if (LeftOut(entry)) {
        return {};
    }
    struct stat info = {};
    if (::fstatat(from, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return UnlessVanished(LastError());
    }
    if (S_ISLNK(info.st_mode)) {
        return CopyLink(from, to, name, info);
    }
    if (S_ISREG(info.st_mode)) {
        files.emplace_back(name);
    }
    // Pipes, sockets and devices are no part of a save, and opening a pipe would wait for a
    // writer forever.
    if (!S_ISDIR(info.st_mode) || SameFile(info, m_copy)) {
        return {};
    }
    FileDescriptor source(::openat(from, name, kFolderFlags));
    if (!source.IsOpen()) {
        return UnlessVanished(LastError());
    }
    FileDescriptor target;
    if (const std::error_code error = CreateFolder(to, name, target)) {
        return error;
    }
    return FillFolder(std::move(source), entry, target, info);
}

// Runs on any thread of the team.
// A file that did not change since the earlier copy becomes a second name of it. Any
// refusal (another filesystem, no hard links there, a link count at its limit, no
// permission) leaves the file to be copied.
bool FolderCopier::Share(const std::string& path, const char* name, int to, const struct stat& info)
{
    if (m_options.shareFrom.empty()) {
        return false;
    }
    const std::string earlier = m_options.shareFrom + path.substr(m_root.size()) + "/" + name;
    struct stat counterpart = {};
    return ::lstat(earlier.c_str(), &counterpart) == 0 &&
           MayShare(info, counterpart, m_options.shareOlderThanNs) &&
           m_calls.link(earlier.c_str(), to, name) == 0;
}

std::error_code FolderCopier::CopyFile(int from, int to, const std::string& path, const char* name)
{
    // O_NONBLOCK: should the entry have become a pipe since it was looked at, opening it
    // must not wait for a writer. Reads of regular files ignore the flag.
    FileDescriptor source(
        ::openat(from, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!source.IsOpen()) {
        return UnlessVanished(LastError());
    }
    struct stat info = {};
    if (::fstat(source.Get(), &info) != 0) {
        return LastError();
    }
    if (!S_ISREG(info.st_mode)) {
        return {};
    }
    if (Share(path, name, to, info)) {
        Step(static_cast<std::uint64_t>(info.st_size));
        return {};
    }
    FileDescriptor target(
        ::openat(to, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
    if (!target.IsOpen()) {
        return LastError();
    }
    bool cloned = false;
    if (const std::error_code error = CopySettledData(source, target, info, cloned)) {
        return error;
    }
    m_blocks = cloned ? Blocks::Shared : Blocks::Copied;
    if (const std::error_code error = CopyAttributes(target.Get(), info)) {
        return error;
    }
    if (m_options.copied) {
        m_options.copied(path + "/" + name);
    }
    if (cloned) {
        return target.Close();
    }
    return m_writeBehind.Add(std::move(target), static_cast<std::uint64_t>(info.st_size));
}

// Copies again while the source changes under the copy; `info` ends as the source's state
// that the kept copy matches best, `cloned` tells how the last try copied.
std::error_code FolderCopier::CopySettledData(const FileDescriptor& source,
                                              const FileDescriptor& target, struct stat& info,
                                              bool& cloned)
{
    std::uint64_t copied = 0;
    const CopyStep step = [this, &copied](std::uint64_t bytes) {
        copied += bytes;
        return Step(bytes);
    };
    for (int attempt = 1;; ++attempt) {
        FileDataCopy copy(source, target, m_calls);
        if (const std::error_code error =
                copy.Run(static_cast<std::uint64_t>(info.st_size), step)) {
            return error;
        }
        cloned = copy.Cloned();
        struct stat after = {};
        if (::fstat(source.Get(), &after) != 0) {
            return LastError();
        }
        const bool settled = SameSizeAndTime(info, after);
        info = after;
        if (settled) {
            return {};
        }
        if (attempt == kCopyTries) {
            ++m_changedFiles;
            return {};
        }
        Unstep(copied);
        copied = 0;
        if (::ftruncate(target.Get(), 0) != 0) {
            return LastError();
        }
    }
}

} // namespace saver
