#include "FileCopy.h"

#include "DirectoryStream.h"
#include "SystemError.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/ioprio.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace saver {
namespace {

// Large enough that a region file goes over in one call, small enough that a large file
// reports its progress, and hears a stop, every few MiB.
constexpr std::size_t kKernelChunkBytes = std::size_t{4} << 20;
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
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

// Files copied at once. Copying from the page cache is work for the processor, so two cores
// copy nearly twice as fast; more threads than that only help a disk that answers slowly.
unsigned CopyThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
}

// nullopt when the kernel cannot copy between these two files, so plain reads must do it.
// With `expected` bytes known the copy ends there, without one more call to find the end:
// the caller checks afterwards whether the file changed.
std::optional<std::error_code> CopyInKernel(int from, int to, std::uint64_t expected,
                                            const CopyStep& step)
{
    std::uint64_t copiedAll = 0;
    while (expected == 0 || copiedAll < expected) {
        const std::size_t wanted = expected == 0 ? kKernelChunkBytes
                                                 : static_cast<std::size_t>(std::min<std::uint64_t>(
                                                       kKernelChunkBytes, expected - copiedAll));
        const ssize_t copied = ::copy_file_range(from, nullptr, to, nullptr, wanted, 0);
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
            if (copiedAll == 0) {
                return std::nullopt;
            }
            break;
        }
        copiedAll += static_cast<std::uint64_t>(copied);
        if (!step(static_cast<std::uint64_t>(copied))) {
            return ErrorOf(ECANCELED);
        }
    }
    return std::error_code{};
}

std::error_code CopyByReading(const FileDescriptor& from, const FileDescriptor& to,
                              const CopyStep& step)
{
    const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    for (;;) {
        const ssize_t got = ::read(from.Get(), buffer.get(), kBufferBytes);
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

// `expected` is the size of `from` as last seen, or 0 when it is not known. `cloned` tells
// whether the copy shares the source's blocks, and so has nothing to write to the disk.
std::error_code CopyData(const FileDescriptor& from, const FileDescriptor& to,
                         std::uint64_t expected, const CopyStep& step, bool& cloned)
{
    cloned = ::ioctl(to.Get(), FICLONE, from.Get()) == 0;
    if (cloned) {
        struct stat info = {};
        if (expected == 0 && ::fstat(from.Get(), &info) != 0) {
            return LastError();
        }
        const auto size = expected != 0 ? expected : static_cast<std::uint64_t>(info.st_size);
        return step(size) ? std::error_code{} : ErrorOf(ECANCELED);
    }
    if (const std::optional<std::error_code> result =
            CopyInKernel(from.Get(), to.Get(), expected, step)) {
        return *result;
    }
    return CopyByReading(from, to, step);
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

// Asks the kernel to write `fd`'s data to the disk: with `wait`, and returns once it is there.
std::error_code WriteBack(int fd, bool wait)
{
    const unsigned flags =
        wait ? SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER
             : SYNC_FILE_RANGE_WRITE;
    if (::sync_file_range(fd, 0, 0, flags) == 0) {
        return {};
    }
    // Filesystems without it still get their data written by the syncfs at the end.
    return errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ? std::error_code{}
                                                                     : LastError();
}

// While it lives, the calling thread's disk reads and writes wait for everybody else's: a
// backup is worth less than the game's own writes and the program's quick save, and a disk
// that is seldom idle still serves it, only later. A kernel that refuses I/O priorities
// copies at the ordinary one, so a refusal changes nothing else.
class IdleDiskPriority
{
public:
    IdleDiskPriority()
        : m_saved(static_cast<int>(::syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0))),
          m_set(m_saved >= 0 && ::syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0,
                                          IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0)) == 0)
    {
    }
    IdleDiskPriority(const IdleDiskPriority&) = delete;
    IdleDiskPriority& operator=(const IdleDiskPriority&) = delete;
    ~IdleDiskPriority()
    {
        // Puts back a value the kernel handed out a moment ago, which it does not refuse.
        if (m_set) {
            ::syscall(SYS_ioprio_set, IOPRIO_WHO_PROCESS, 0, m_saved);
        }
    }

private:
    int m_saved;
    bool m_set;
};

// Keeps the disk writes of a copy close behind it. Each copied file is sent to the disk at
// once, and a thread that finds more than a few MiB still on their way waits for the oldest
// to arrive. Left to the kernel, a whole backup would pile up in memory, and every fsync on
// the filesystem meanwhile (the game's own, the program's quick save) would wait for that
// pile; the syncfs at the end would write all of it after the copying instead of during it.
class WriteBehind
{
public:
    // Takes over `file`, the new copy of `bytes` bytes, and closes it once it is written.
    std::error_code Add(FileDescriptor file, std::uint64_t bytes)
    {
        if (const std::error_code error = WriteBack(file.Get(), false)) {
            return error;
        }
        std::unique_lock lock(m_mutex);
        m_pending.push_back({std::move(file), bytes});
        m_bytes += bytes;
        while (m_bytes > kMostBytes || m_pending.size() > kMostFiles) {
            Pending oldest = std::move(m_pending.front());
            m_pending.pop_front();
            m_bytes -= oldest.bytes;
            lock.unlock();
            if (const std::error_code error = Written(oldest.file)) {
                return error;
            }
            lock.lock();
        }
        return {};
    }

    // Waits for every file still on its way.
    std::error_code Finish()
    {
        const std::lock_guard lock(m_mutex);
        while (!m_pending.empty()) {
            Pending oldest = std::move(m_pending.front());
            m_pending.pop_front();
            if (const std::error_code error = Written(oldest.file)) {
                return error;
            }
        }
        m_bytes = 0;
        return {};
    }

private:
    // What an ordinary SSD writes in a few tens of milliseconds, the most that a quick save's
    // fsync should wait; more would not make the copy itself much faster.
    static constexpr std::uint64_t kMostBytes = std::uint64_t{12} << 20;
    // Small files weigh little, but each holds a descriptor until it is written.
    static constexpr std::size_t kMostFiles = 64;

    struct Pending
    {
        FileDescriptor file;
        std::uint64_t bytes;
    };

    static std::error_code Written(FileDescriptor& file)
    {
        if (const std::error_code error = WriteBack(file.Get(), true)) {
            return error;
        }
        return file.Close();
    }

    std::mutex m_mutex;
    std::deque<Pending> m_pending;
    std::uint64_t m_bytes = 0;
};

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

// Runs each task of a batch once, on the calling thread and a few helpers, and returns when
// all of them have run.
class TaskTeam
{
public:
    explicit TaskTeam(unsigned threads)
    {
        for (unsigned i = 1; i < threads; ++i) {
            m_helpers.emplace_back([this](const std::stop_token& stop) { Help(stop); });
        }
    }
    TaskTeam(const TaskTeam&) = delete;
    TaskTeam& operator=(const TaskTeam&) = delete;

    template <typename Task> void RunAll(std::size_t count, const Task& task)
    {
        if (count < 2 || m_helpers.empty()) {
            for (std::size_t i = 0; i < count; ++i) {
                task(i);
            }
            return;
        }
        const std::function<void(std::size_t)> shared = task;
        {
            const std::lock_guard lock(m_mutex);
            m_task = &shared;
            m_count = count;
            m_next = 0;
            m_busy = static_cast<unsigned>(m_helpers.size());
            ++m_batch;
        }
        m_wake.notify_all();
        Work(shared, count);
        std::unique_lock lock(m_mutex);
        // Helpers still read the batch until they say they are done with it.
        m_done.wait(lock, [this] { return m_busy == 0; });
        m_task = nullptr;
    }

private:
    void Help(const std::stop_token& stop)
    {
        const IdleDiskPriority idle;
        std::uint64_t seen = 0;
        for (;;) {
            const std::function<void(std::size_t)>* task = nullptr;
            std::size_t count = 0;
            {
                std::unique_lock lock(m_mutex);
                if (!m_wake.wait(lock, stop, [&] { return m_batch != seen; })) {
                    return;
                }
                seen = m_batch;
                task = m_task;
                count = m_count;
            }
            Work(*task, count);
            const std::lock_guard lock(m_mutex);
            if (--m_busy == 0) {
                m_done.notify_one();
            }
        }
    }

    void Work(const std::function<void(std::size_t)>& task, std::size_t count)
    {
        for (std::size_t i = m_next++; i < count; i = m_next++) {
            task(i);
        }
    }

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_done;
    const std::function<void(std::size_t)>* m_task = nullptr;
    std::size_t m_count = 0;
    std::atomic<std::size_t> m_next = 0;
    unsigned m_busy = 0;
    std::uint64_t m_batch = 0;
    // Last, so that the helpers are stopped and joined before anything they use goes.
    std::vector<std::jthread> m_helpers;
};

// The folder tree is walked on the calling thread; the regular files of each folder are
// copied by a TaskTeam. The first error stops every thread and is the one reported.
class FolderCopier
{
public:
    explicit FolderCopier(const FolderCopyOptions& options)
        : m_options(options), m_team(CopyThreads())
    {
    }

    FolderCopyResult Run(const std::string& from, const std::string& into)
    {
        const IdleDiskPriority idle;
        const std::error_code error = CopyTree(from, into);
        m_result.error = m_failure ? m_failure : error;
        return m_result;
    }

private:
    std::error_code CopyTree(const std::string& from, const std::string& into)
    {
        if (Stopped()) {
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
            const std::lock_guard lock(m_progressMutex);
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

    // A stop asked for by the caller, or an error met by any thread.
    bool Stopped() const { return m_failed || m_options.cancel.stop_requested(); }

    void Fail(const std::error_code& error)
    {
        const std::lock_guard lock(m_resultMutex);
        if (!m_failure) {
            m_failure = error;
        }
        m_failed = true;
    }

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

    // Called with m_progressMutex held, so that the caller's progress function never runs
    // on two threads at once and the figures it gets only grow.
    void Report()
    {
        const std::uint64_t done = m_bytesDone;
        m_reportedAt = done;
        if (m_options.progress) {
            m_options.progress(done, std::max(done, m_bytesTotal));
        }
    }

    bool Step(std::uint64_t bytes)
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
    void Unstep(std::uint64_t bytes)
    {
        m_bytesDone -= bytes;
        const std::lock_guard lock(m_progressMutex);
        m_reportedAt = std::min<std::uint64_t>(m_reportedAt, m_bytesDone);
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
        std::vector<std::string> files;
        while (const char* name = entries.Next()) {
            if (Stopped()) {
                return ErrorOf(ECANCELED);
            }
            if (const std::error_code error = CopyEntry(entries.Fd(), target.Get(), name, files)) {
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
                    CopyFile(entries.Fd(), target.Get(), files[i].c_str())) {
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
    std::error_code CopyEntry(int from, int to, const char* name, std::vector<std::string>& files)
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
            files.emplace_back(name);
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

    // Runs on any thread of the team.
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
        bool cloned = false;
        if (const std::error_code error = CopySettledData(source, target, info, cloned)) {
            return error;
        }
        m_blocks = cloned ? Blocks::Shared : Blocks::Copied;
        if (const std::error_code error = CopyAttributes(target.Get(), info)) {
            return error;
        }
        if (cloned) {
            return target.Close();
        }
        return m_writeBehind.Add(std::move(target), static_cast<std::uint64_t>(info.st_size));
    }

    // Copies again while the source changes under the copy; `info` ends as the source's
    // state that the kept copy matches best, `cloned` tells how the last try copied.
    std::error_code CopySettledData(const FileDescriptor& source, const FileDescriptor& target,
                                    struct stat& info, bool& cloned)
    {
        std::uint64_t copied = 0;
        const CopyStep step = [this, &copied](std::uint64_t bytes) {
            copied += bytes;
            return Step(bytes);
        };
        bool changed = false;
        for (int attempt = 1;; ++attempt) {
            if (const std::error_code error = CopyData(
                    source, target, static_cast<std::uint64_t>(info.st_size), step, cloned)) {
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
                changed = true;
                break;
            }
            Unstep(copied);
            copied = 0;
            if (::ftruncate(target.Get(), 0) != 0 || ::lseek(source.Get(), 0, SEEK_SET) != 0 ||
                ::lseek(target.Get(), 0, SEEK_SET) != 0) {
                return LastError();
            }
        }
        const std::lock_guard lock(m_resultMutex);
        ++m_result.files;
        m_result.bytes += copied;
        if (changed) {
            ++m_result.changedFiles;
        }
        return {};
    }

    const FolderCopyOptions& m_options;
    // Folders never copied: the excluded one and the copy being made.
    std::vector<struct stat> m_skipped;

    std::mutex m_resultMutex;
    FolderCopyResult m_result;
    std::error_code m_failure;
    std::atomic<bool> m_failed = false;
    // Whether the last file copied shares the source's blocks.
    enum class Blocks { Unknown, Shared, Copied };
    std::atomic<Blocks> m_blocks = Blocks::Unknown;

    std::mutex m_progressMutex;
    std::uint64_t m_bytesTotal = 0;
    // Includes the parts of the files being copied.
    std::atomic<std::uint64_t> m_bytesDone = 0;
    std::uint64_t m_reportedAt = 0;

    WriteBehind m_writeBehind;
    // Last, so that its threads end before anything they use goes.
    TaskTeam m_team;
};

} // namespace

std::error_code CopyFileData(const FileDescriptor& from, const FileDescriptor& to,
                             const CopyStep& step)
{
    bool cloned = false;
    return CopyData(from, to, 0, step, cloned);
}

FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                            const FolderCopyOptions& options)
{
    return FolderCopier(options).Run(from, into);
}

} // namespace saver
