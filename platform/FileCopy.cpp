#include "FileCopy.h"

#include "DirectoryStream.h"
#include "SystemError.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

namespace saver {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
constexpr std::uint64_t kReportEveryBytes = std::uint64_t{4} << 20;
// A file still changing after this many copies is kept as last copied: a save the game
// writes all the time must not make the backup fail.
constexpr int kCopyTries = 3;
// Set-user-ID and similar bits have no business on a backup copy.
constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool KernelCannotCopy(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

// nullopt when the kernel cannot copy between these two files, so plain reads must do it.
std::optional<std::error_code> CopyInKernel(int from, int to, const CopyStep& step)
{
    bool copiedAny = false;
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, kChunkBytes, 0);
        if (copied < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (KernelCannotCopy(errno)) {
                return std::nullopt;
            }
            return LastError();
        }
        if (copied == 0) {
            // Some pseudo filesystems claim the end at once for files that hold data;
            // plain reads tell the truth there.
            if (!copiedAny) {
                return std::nullopt;
            }
            return std::error_code{};
        }
        copiedAny = true;
        if (!step(static_cast<std::uint64_t>(copied))) {
            return ErrorOf(ECANCELED);
        }
    }
}

std::error_code CopyByReading(const FileDescriptor& from, const FileDescriptor& to,
                              const CopyStep& step)
{
    const auto buffer = std::make_unique_for_overwrite<char[]>(kChunkBytes);
    for (;;) {
        const ssize_t got = ::read(from.Get(), buffer.get(), kChunkBytes);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastError();
        }
        if (got == 0) {
            return {};
        }
        const auto size = static_cast<std::size_t>(got);
        if (const std::error_code error = to.WriteAll({buffer.get(), size})) {
            return error;
        }
        if (!step(size)) {
            return ErrorOf(ECANCELED);
        }
    }
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool SameContent(const struct stat& a, const struct stat& b)
{
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

std::error_code CopyAttributes(int fd, const struct stat& info)
{
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (::fchmod(fd, info.st_mode & kPermissionBits) != 0 || ::futimens(fd, times) != 0) {
        return LastError();
    }
    return {};
}

std::string LastName(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path.substr(path.rfind('/') + 1);
}

// An entry that vanished between being listed and being opened is no longer part of the
// save (the game replaces files by renaming), so it is passed over instead of failing.
std::error_code UnlessVanished(std::error_code error)
{
    return error == std::errc::no_such_file_or_directory ? std::error_code{} : error;
}

class FolderCopier
{
public:
    explicit FolderCopier(const FolderCopyOptions& options) : m_options(options) {}

    FolderCopyResult Run(const std::string& from, const std::string& into)
    {
        m_result.error = CopyTree(from, into);
        return m_result;
    }

private:
    std::error_code CopyTree(const std::string& from, const std::string& into)
    {
        if (Cancelled()) {
            return ErrorOf(ECANCELED);
        }
        struct stat excluded = {};
        if (!m_options.exclude.empty() && ::stat(m_options.exclude.c_str(), &excluded) == 0) {
            m_skipped.push_back(excluded);
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
            m_bytesTotal = Measure(FileDescriptor(::openat(source.Get(), ".", kFolderFlags)));
            Report();
        }
        const std::string name = LastName(from);
        FileDescriptor target;
        if (const std::error_code error = CreateFolder(destination.Get(), name.c_str(), target)) {
            return error;
        }
        // Copying into a folder inside the source must not copy the copy.
        struct stat created = {};
        if (::fstat(target.Get(), &created) != 0) {
            return LastError();
        }
        m_skipped.push_back(created);
        if (const std::error_code error = FillFolder(std::move(source), target, info)) {
            return error;
        }
        // The caller renames the copy into place next; without this a power cut could leave
        // that name pointing at files whose data never reached the disk.
        if (::syncfs(target.Get()) != 0) {
            return LastError();
        }
        m_bytesTotal = m_bytesDone;
        Report();
        return {};
    }

    bool Cancelled() const { return m_options.cancel.stop_requested(); }

    bool Skipped(const struct stat& folder) const
    {
        return std::any_of(m_skipped.begin(), m_skipped.end(),
                           [&](const struct stat& skipped) { return SameFile(skipped, folder); });
    }

    // Errors are ignored here: the copy meets the same entries and reports them properly.
    std::uint64_t Measure(FileDescriptor folder) const
    {
        std::uint64_t total = 0;
        DirectoryStream entries(std::move(folder));
        while (const char* name = entries.Next()) {
            struct stat info = {};
            if (::fstatat(entries.Fd(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            if (S_ISREG(info.st_mode)) {
                total += static_cast<std::uint64_t>(info.st_size);
            } else if (S_ISDIR(info.st_mode) && !Skipped(info)) {
                total += Measure(FileDescriptor(::openat(entries.Fd(), name, kFolderFlags)));
            }
        }
        return total;
    }

    void Report()
    {
        m_reportedAt = m_bytesDone;
        if (m_options.progress) {
            m_options.progress(m_bytesDone, std::max(m_bytesDone, m_bytesTotal));
        }
    }

    bool Step(std::uint64_t bytes)
    {
        m_bytesDone += bytes;
        if (m_bytesDone >= m_reportedAt + kReportEveryBytes) {
            Report();
        }
        return !Cancelled();
    }

    static std::error_code CreateFolder(int parent, const char* name, FileDescriptor& folder)
    {
        // Private and writable while it fills; the source's permissions come last.
        if (::mkdirat(parent, name, S_IRWXU) != 0) {
            return LastError();
        }
        folder = FileDescriptor(::openat(parent, name, kFolderFlags));
        return folder.IsOpen() ? std::error_code{} : LastError();
    }

    // Permissions and times are set after the contents, whose creation changes them.
    std::error_code FillFolder(FileDescriptor source, const FileDescriptor& target,
                               const struct stat& info)
    {
        DirectoryStream entries(std::move(source));
        while (const char* name = entries.Next()) {
            if (Cancelled()) {
                return ErrorOf(ECANCELED);
            }
            if (const std::error_code error = CopyEntry(entries.Fd(), target.Get(), name)) {
                return error;
            }
        }
        if (entries.Error()) {
            return entries.Error();
        }
        return CopyAttributes(target.Get(), info);
    }

    std::error_code CopyEntry(int from, int to, const char* name)
    {
        struct stat info = {};
        if (::fstatat(from, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            return UnlessVanished(LastError());
        }
        if (S_ISDIR(info.st_mode)) {
            return Skipped(info) ? std::error_code{} : CopySubfolder(from, to, name, info);
        }
        if (S_ISLNK(info.st_mode)) {
            return CopyLink(from, to, name, info);
        }
        if (S_ISREG(info.st_mode)) {
            return CopyFile(from, to, name);
        }
        // Pipes, sockets and devices are no part of a save, and opening a pipe would wait
        // for a writer forever.
        return {};
    }

    std::error_code CopySubfolder(int from, int to, const char* name, const struct stat& info)
    {
        FileDescriptor source(::openat(from, name, kFolderFlags));
        if (!source.IsOpen()) {
            return UnlessVanished(LastError());
        }
        FileDescriptor target;
        if (const std::error_code error = CreateFolder(to, name, target)) {
            return error;
        }
        return FillFolder(std::move(source), target, info);
    }

    static std::error_code CopyLink(int from, int to, const char* name, const struct stat& info)
    {
        // st_size is the length of the link text, but some filesystems report 0.
        std::string text(std::max<std::size_t>(static_cast<std::size_t>(info.st_size) + 1, 256),
                         '\0');
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
        if (::symlinkat(text.c_str(), to, name) != 0) {
            return LastError();
        }
        return {};
    }

    std::error_code CopyFile(int from, int to, const char* name)
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
        FileDescriptor target(
            ::openat(to, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR));
        if (!target.IsOpen()) {
            return LastError();
        }
        if (const std::error_code error = CopySettledData(source, target, info)) {
            return error;
        }
        if (const std::error_code error = CopyAttributes(target.Get(), info)) {
            return error;
        }
        return target.Close();
    }

    // Copies again while the source changes under the copy; `info` ends as the source's
    // state that the kept copy matches best.
    std::error_code CopySettledData(const FileDescriptor& source, const FileDescriptor& target,
                                    struct stat& info)
    {
        const std::uint64_t doneBefore = m_bytesDone;
        const CopyStep step = [this](std::uint64_t bytes) { return Step(bytes); };
        for (int attempt = 1;; ++attempt) {
            if (const std::error_code error = CopyFileData(source, target, step)) {
                return error;
            }
            struct stat after = {};
            if (::fstat(source.Get(), &after) != 0) {
                return LastError();
            }
            const bool settled = SameContent(info, after);
            info = after;
            if (settled) {
                break;
            }
            if (attempt == kCopyTries) {
                ++m_result.changedFiles;
                break;
            }
            m_bytesDone = doneBefore;
            m_reportedAt = std::min(m_reportedAt, doneBefore);
            if (::ftruncate(target.Get(), 0) != 0 || ::lseek(source.Get(), 0, SEEK_SET) != 0 ||
                ::lseek(target.Get(), 0, SEEK_SET) != 0) {
                return LastError();
            }
        }
        ++m_result.files;
        m_result.bytes += m_bytesDone - doneBefore;
        return {};
    }

    const FolderCopyOptions& m_options;
    // Folders never copied: the excluded one and the copy being made.
    std::vector<struct stat> m_skipped;
    FolderCopyResult m_result;
    std::uint64_t m_bytesTotal = 0;
    // Includes the part of the file being copied.
    std::uint64_t m_bytesDone = 0;
    std::uint64_t m_reportedAt = 0;
};

} // namespace

std::error_code CopyFileData(const FileDescriptor& from, const FileDescriptor& to,
                             const CopyStep& step)
{
    if (::ioctl(to.Get(), FICLONE, from.Get()) == 0) {
        struct stat info = {};
        if (::fstat(from.Get(), &info) != 0) {
            return LastError();
        }
        return step(static_cast<std::uint64_t>(info.st_size)) ? std::error_code{}
                                                              : ErrorOf(ECANCELED);
    }
    if (const std::optional<std::error_code> result = CopyInKernel(from.Get(), to.Get(), step)) {
        return *result;
    }
    return CopyByReading(from, to, step);
}

FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                            const FolderCopyOptions& options)
{
    return FolderCopier(options).Run(from, into);
}

} // namespace saver
