// SPDX-License-Identifier: GPL-3.0-or-later
#include "SystemServices.h"
#include "FolderCopier.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

// What only Linux has (permission bits, links, locks, time zones...) is checked on Linux alone.
#ifndef _WIN32
#include "DataFolder.h"
#include "NoReplaceRename.h"
#include "SystemClock.h"
#include "WriteBehind.h"

#include <fcntl.h>
#include <linux/ioprio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <csignal>
#include <ctime>
#endif

namespace saver {
namespace {

namespace fs = std::filesystem;
using namespace test;

class ServicesTest : public InTempDir
{
protected:
    SystemServices m_services{"/opt/saver//"};
};

#ifndef _WIN32
// The kernel's ways of copying, each failing with the error given, or working when it is 0.
KernelCopyCalls Failing(int cloneError, int rangeError)
{
    KernelCopyCalls calls = SystemCopyCalls();
    if (cloneError != 0)
        calls.clone = [=](int, int) { return errno = cloneError, -1; };
    if (rangeError != 0)
        calls.copyRange = [=](int, off_t*, int, off_t*, std::size_t) -> ssize_t {
            return errno = rangeError, -1;
        };
    return calls;
}
using Calls = KernelCopyCalls;
// Without clones unless asked: a clone copies a file in one step, with no middle to stop in.
const Calls kCalls = Failing(EOPNOTSUPP, 0);

const auto Links = [](const std::string& path) { return fs::hard_link_count(path); };

template <int Error> int Refuse(int, const char*, int, const char*, unsigned)
{
    return errno = Error, -1;
}
#else
using Calls = CopyCalls;
const Calls kCalls;

const auto Links = [](const std::string& path) { return OpenShared(path, 0).Facts().links; };
#endif

Calls WithoutLinks()
{
    Calls calls = kCalls;
#ifdef _WIN32
    calls.link = [](const std::wstring&, const std::wstring&) { return false; };
#else
    calls.link = [](const char*, int, const char*) { return errno = EMLINK, -1; };
#endif
    return calls;
}

class FolderCopierTest : public ServicesTest
{
protected:
    FolderCopierTest() { fs::create_directories(Source()), fs::create_directory(In("backups")); }

    std::string Source(const std::string& name = {}) const { return In("save/World/" + name); }
    std::string Copied(const std::string& name = {}) const { return In("backups/World/" + name); }
    FolderCopyResult Copy(const FolderCopyOptions& options = {}, const Calls& calls = kCalls)
    {
        fs::remove_all(Copied());
        return FolderCopier(options, calls).Run(Source(), In("backups"));
    }
};

// Every query follows links; a dangling link is as good as nothing there. Nothing here is locked.
TEST_F(ServicesTest, QueriesFollowLinks)
{
    EXPECT_EQ(m_services.AppDir() + SystemServices("/").AppDir(), "/opt/saver/");
    WriteFile(In("file"), "xyz");
    // Whole 100 ns steps, the finest that Windows keeps.
    EXPECT_FALSE(m_services.SetModified(In("file"), 1'500'000'000'123'456'700));
    EXPECT_EQ(m_services.SetModified(In("gone"), 0), std::errc::no_such_file_or_directory);
    fs::create_directory(In("folder"));
    EXPECT_GT(m_services.FreeSpace(In("folder")).value_or(0), 0u);
    std::vector<std::string> names = {"file", "folder", "gone"};
#ifndef _WIN32
    for (const auto& [link, target] :
         {std::pair{"to file", "file"}, {"to folder", "folder"}, {"dangling", "gone"}})
        fs::create_symlink(target, In(link)), names.emplace_back(link);
#endif
    for (const std::string& name : names) {
        const bool file = name.ends_with("file"), folder = name.ends_with("folder");
        const FileStatus status = m_services.Status(In(name));
        EXPECT_EQ(std::tuple(status.error.value(), status.isFile, status.isFolder),
                  std::tuple(file || folder ? 0 : ENOENT, file, folder))
            << name;
        EXPECT_TRUE(!file || (status.size == 3 && status.modifiedNs == 1'500'000'000'123'456'700));
        EXPECT_EQ(m_services.FirstEntry(In(name)), file ? name : "");
        EXPECT_EQ(m_services.FolderExists(In(name)), folder);
        EXPECT_FALSE(m_services.IsLockedByAnotherProcess(In(name)));
        EXPECT_EQ(m_services.ResolvedPath(In(name)),
                  file || folder ? Utf8Path(fs::canonical(In(name))) : In(name));
    }
}

// Locked folders are opened up to be emptied; links inside are removed, never followed. A
// folder emptied that its parent keeps is a failure.
TEST_F(ServicesTest, MakesAndRemovesFilesAndFolders)
{
    EXPECT_FALSE(m_services.MakeDir(In("new/")));
    EXPECT_EQ(m_services.MakeDir(In("new")), std::errc::file_exists);
    EXPECT_EQ(m_services.MakeDir(In("gone/new")), std::errc::no_such_file_or_directory);
    WriteFile(In("new/file"), "x");
    EXPECT_EQ(m_services.DeleteFile(In("new")), std::errc::is_a_directory);
    EXPECT_FALSE(m_services.DeleteFile(In("new/file")));
    EXPECT_EQ(m_services.DeleteFile(In("new/file")), std::errc::no_such_file_or_directory);
    fs::create_directories(In("old/locked/deeper"));
    fs::create_directory(In("old/closed"));
    WriteFile(In("old/locked/deeper/file"), "x");
#ifdef _WIN32
    fs::permissions(In("old/locked/deeper/file"), fs::perms::owner_read); // read-only
    EXPECT_FALSE(m_services.RemoveFolder(In("old")));
#else
    fs::create_symlink(In("new"), In("old/locked/new"));
    fs::permissions(m_dir.path(), fs::perms(0755)); // "nobody" may not remove "old" from it
    for (const auto& [path, mode] : {std::pair{"old/locked/deeper", 0555},
                                     {"old/locked", 0555},
                                     {"old/closed", 0},
                                     {"old", 0755}}) {
        ::chown(In(path).c_str(), 65534, 65534); // for "nobody" to unlock
        ::chmod(In(path).c_str(), static_cast<mode_t>(mode));
    }
    EXPECT_EQ(RunUnprivileged([&] { return m_services.RemoveFolder(In("old")).value(); }), EACCES);
    EXPECT_EQ(ListTree(m_dir.path()).size(), 2u); // "new" and "old", emptied
    EXPECT_FALSE(m_services.RemoveFolder(In("old")));
#endif
    EXPECT_EQ(ListTree(m_dir.path()).size(), 1u); // "new", now empty
    EXPECT_EQ(m_services.RemoveFolder(In("old")), std::errc::no_such_file_or_directory);
}

TEST_F(ServicesTest, CopyFileCopiesBytesAndPermissionsOrLeavesNothing)
{
    std::vector<std::pair<std::string, int>> cases = {{In("from"), 0}, {In("from"), (5 << 20) + 1}};
#ifndef _WIN32
    const TempDir memory("/dev/shm"); // where the kernel may not copy to the disk
    cases.emplace_back(memory.path() + "/from", 5 << 20);
#endif
    for (const auto& [from, size] : cases) {
        const std::string bytes = RandomBytes(static_cast<std::size_t>(size), 7);
        WriteFile(from, bytes);
        fs::remove(In("to"));
#ifndef _WIN32
        ::chmod(from.c_str(), 0640);
#endif
        ASSERT_FALSE(m_services.CopyFile(from, In("to")));
        EXPECT_TRUE(ReadFile(In("to")) == bytes) << from << size;
#ifndef _WIN32
        EXPECT_EQ(fs::status(In("to")).permissions(), fs::perms(0640));
#endif
    }
    EXPECT_EQ(m_services.CopyFile(In("from"), In("to")), std::errc::file_exists);
    EXPECT_EQ(m_services.CopyFile(In("gone"), In("new")), std::errc::no_such_file_or_directory);
    EXPECT_EQ(m_services.CopyFile(m_dir.path(), In("new")), std::errc::is_a_directory);
#ifndef _WIN32
    std::signal(SIGXFSZ, SIG_IGN); // writes past the limit fail with EFBIG instead
    rlimit limit = {1 << 20, RLIM_INFINITY}, saved = {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(m_services.CopyFile(In("from"), In("new")), std::errc::file_too_large);
    ::setrlimit(RLIMIT_FSIZE, &saved);
#endif
    EXPECT_FALSE(fs::exists(In("new")));
}

// Each rename that must not replace is also made by hand, as where renameat2 cannot promise it.
TEST_F(ServicesTest, RenameMovesOrLeavesBothIntact)
{
    std::vector<std::function<std::error_code(bool replace)>> ways = {
        [&](bool replace) { return m_services.Rename(In("from"), In("to"), replace); }};
#ifndef _WIN32
    for (const RenameCall refusing : {Refuse<EINVAL>, Refuse<ENOSYS>})
        ways.emplace_back(
            [&, refusing](bool) { return RenameWithoutReplacing(In("from"), In("to"), refusing); });
#endif
    for (const auto& way : ways) {
        // What is at "from" and at "to" before: "file", "folder" or nothing.
        for (const auto& [from, to, replace, error] : {std::tuple{"file", "", false, 0},
                                                       {"file", "file", true, 0},
                                                       {"file", "file", false, EEXIST},
                                                       {"folder", "", false, 0},
                                                       {"folder", "folder", false, EEXIST},
                                                       {"file", "folder", false, EEXIST},
                                                       {"folder", "file", false, EEXIST},
                                                       {"", "", false, ENOENT},
                                                       {"", "file", true, ENOENT}}) {
            if (replace && &way != ways.data())
                continue;
            for (const auto& [kind, name] : {std::pair{from, "from"}, {to, "to"}}) {
                fs::remove_all(In(name));
                if (std::string_view(kind) == "file")
                    WriteFile(In(name), name);
                else if (*kind != '\0')
                    fs::create_directory(In(name));
            }
            auto expected = ListTree(m_dir.path());
            if (error == 0)
                expected["to"] = expected.extract("from").mapped();
            EXPECT_EQ(way(replace).value(), error)
                << from << "→" << to << replace << &way - ways.data();
            EXPECT_EQ(ListTree(m_dir.path()), expected);
        }
    }
}

TEST_F(ServicesTest, ReadsAndWritesOneLine)
{
    const std::string full(32 * 1024, 'x');
    for (const auto& [content, text] : std::initializer_list<std::pair<std::string, std::string>>{
             {"a\rb", "a"}, {"a\n\rb", "a"}, {full + "y\r\n", full}, {"", ""}}) {
        WriteFile(In("name.txt"), content);
        const FirstLine line = m_services.ReadFirstLine(In("name.txt"));
        EXPECT_EQ(std::tuple(line.error.value(), line.present, line.text),
                  std::tuple(0, !content.empty(), text));
        EXPECT_FALSE(m_services.WriteOneLine(In("name.txt"), text));
        EXPECT_EQ(ReadFile(In("name.txt")), text + "\r\n");
    }
    EXPECT_EQ(m_services.ReadFirstLine(m_dir.path()).error, std::errc::is_a_directory);
    EXPECT_EQ(m_services.WriteOneLine(In("gone/a"), "x"), std::errc::no_such_file_or_directory);
}

// A whole file comes back in pieces at either priority until asked to stop; a second name of
// a file is the same file, a copy is not.
TEST_F(ServicesTest, ReadsWholeFilesAndKnowsTheSameFile)
{
    const std::string bytes(3 * 1024 * 1024 + 5, 'b');
    EXPECT_FALSE(m_services.WriteText(In("big"), bytes));
    for (const DiskPriority priority : {DiskPriority::Normal, DiskPriority::Idle}) {
        std::string read;
        int pieces = 0;
        EXPECT_FALSE(m_services.ReadChunks(
            In("big"), [&](std::string_view piece) { read += piece, ++pieces; }, {}, priority));
        EXPECT_EQ(read, bytes);
        EXPECT_GT(pieces, 1);
    }
    std::stop_source stop;
    const auto stopping = [&](std::string_view) { EXPECT_TRUE(stop.request_stop()); };
    EXPECT_EQ(m_services.ReadChunks(In("big"), stopping, stop.get_token(), DiskPriority::Idle),
              std::errc::operation_canceled);
    EXPECT_EQ(m_services.ReadChunks(
                  In("gone"), [](std::string_view) {}, {}, DiskPriority::Normal),
              std::errc::no_such_file_or_directory);

    fs::create_hard_link(NativePath(In("big")), NativePath(In("second name")));
    EXPECT_FALSE(m_services.CopyFile(In("big"), In("copy")));
    EXPECT_TRUE(m_services.SameFile(In("big"), In("second name")));
    EXPECT_FALSE(m_services.SameFile(In("big"), In("copy")));
    EXPECT_FALSE(m_services.SameFile(In("big"), In("gone")));
}

// More files and bytes than the copy keeps on their way to the disk at once, with links, a
// pipe, unusual names, locked folders, permissions and times, copied into a folder inside
// itself; what the caller leaves out, asked by full path, stays out with all it holds.
TEST_F(FolderCopierTest, CopiesTreeLeavesOutWhatItIsToldAndReportsProgressNowAndThen)
{
    fs::create_directories(Source("region/deep"));
    fs::create_directories(Source("saver/backups"));
    WriteFile(Source("skip.dat"), "x");
    std::uint64_t total = 0;
    for (unsigned i = 0; i < 70; ++i) {
        const std::size_t size = i % 10 == 0 ? (3 << 20) + i : 100 * i;
        WriteFile(Source("region/r." + std::to_string(i)), RandomBytes(size, i));
        total += size;
    }
#ifdef _WIN32
    const std::string unusual = "\xe5\xad\x98 'b$"; // Windows allows no " * ? or \ in a name
#else
    const std::string unusual = "\xe5\xad\x98 'b\"$*?\\";
#endif
    WriteFile(Source(unusual + std::string(200, 'n')), "");
    WriteFile(Source("sparse"), "data"); // the hole after it counts as copied at once
    fs::resize_file(Source("sparse"), 64 << 20);
    total += 64 << 20;
#ifndef _WIN32
    fs::create_symlink("../r.1", Source("region/deep/up"));
    fs::create_symlink(In("backups"), Source("outside"));
    ASSERT_EQ(::mkfifo(Source("pipe").c_str(), 0644), 0); // opening it would wait forever
    for (const std::string name : {"region/r.3", "region/deep", "region", ""}) {
        const timespec times[2] = {{1, 0}, {1'400'000'000 + std::ssize(name), 999'999'999}};
        ::utimensat(AT_FDCWD, Source(name).c_str(), times, 0);
        ::chmod(Source(name).c_str(), name.size() == 6 ? 0555 : 0750); // filled, then locked
    }
#endif
    auto expected = ListTree(In("save"));
    std::set<std::string> asked, offered;
    for (const auto& [name, entry] : expected)
        if (name.starts_with("World/") && !name.starts_with("World/saver/"))
            offered.insert(In("save/" + name));
    for (const char* name : {"World/saver", "World/saver/backups", "World/skip.dat", "World/pipe"})
        expected.erase(name);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    FolderCopyOptions options;
    options.progress = [&](auto done, auto all) { reports.emplace_back(done, all); };
    options.leaveOut = [&](const std::string& path) {
        asked.insert(path);
        return path == Source("saver") || path == Source("skip.dat");
    };

    ASSERT_FALSE(m_services.CopyFolder(Source(), Source("saver/backups"), options).error);
    EXPECT_EQ(ListTree(Source("saver/backups")), expected);
    EXPECT_EQ(asked, offered);
    EXPECT_EQ(reports.front(), std::pair(std::uint64_t{0}, total));
    EXPECT_EQ(reports.back(), std::pair(total, total));
    EXPECT_TRUE(std::ranges::is_sorted(reports, {}, [](const auto& r) { return r.first; }));
    EXPECT_TRUE(std::ranges::all_of(reports, [&](const auto& r) { return r.second == total; }));
    // Now and then is once per 4 MiB at most, besides the first and the last.
    EXPECT_TRUE(reports.size() > 2 && reports.size() <= total / (4 << 20) + 2) << reports.size();
}

// A stop asked for before the copy, while it measures the tree, or in the middle of a file.
TEST_F(FolderCopierTest, StopsWhenAsked)
{
    for (const char* name : {"r.0.mca", "r.1.mca", "r.2.mca"})
        WriteFile(Source(name), RandomBytes(5 << 20, 3));
    const auto source = ListTree(Source());
    enum Moment { Before, Measuring, MidFile };
    for (const Moment moment : {Before, Measuring, MidFile}) {
        std::stop_source stop;
        int asked = 0;
        FolderCopyOptions options;
        options.cancel = stop.get_token();
        options.leaveOut = [&](const std::string&) {
            if (++asked == 1 && moment == Measuring)
                stop.request_stop();
            return false;
        };
        options.progress = [&](std::uint64_t done, std::uint64_t) {
            if (moment == MidFile && done > 0)
                stop.request_stop();
        };
        if (moment == Before)
            stop.request_stop();
        EXPECT_EQ(Copy(options).error, std::errc::operation_canceled);
        EXPECT_EQ(fs::exists(Copied()), moment == MidFile);
        if (moment == MidFile) {
            for (const auto& [name, entry] : ListTree(Copied()))
                EXPECT_NE(entry, source.at(name)) << name; // none went over whole
        } else {
            EXPECT_EQ(asked, moment == Measuring ? 1 : 0);
        }
    }
}

// The game changes the file at each try to copy it, as often as the case says, by adding to it
// or by writing over its start; the copy kept is the last one.
TEST_F(FolderCopierTest, CopiesAgainWhileTheFileChanges)
{
    for (const auto& [changes, inPlace] : {std::pair(1, false), {5, false}, {5, true}}) {
        WriteFile(Source("busy.mca"), RandomBytes(5 << 20, 6));
        int tries = 0;
        std::uint64_t done = 0;
        FolderCopyOptions options;
        // Reported in the middle of each try, at 4 MiB.
        options.progress = [&, count = changes, over = inPlace](std::uint64_t bytes, auto) {
            const auto path = NativePath(Source("busy.mca"));
            if (bytes > 0 && tries++ < count) {
                const auto before = fs::last_write_time(path); // only its seconds change
                std::fstream(path, over ? std::ios::in | std::ios::out : std::ios::app)
                    << "more" << tries;
                fs::last_write_time(path, before + std::chrono::seconds(tries));
            }
            done = bytes;
        };

        const FolderCopyResult result = Copy(options);

        EXPECT_FALSE(result.error) << result.error.message();
        EXPECT_EQ(result.changedFiles, changes == 1 ? 0u : 1u);
        EXPECT_EQ(done, fs::file_size(Copied("busy.mca")));
        EXPECT_EQ(ReadFile(Copied("busy.mca")) == ReadFile(Source("busy.mca")), changes == 1);
    }
}

// A save copied once as the earlier backup, then changed in the ways a game changes it: a copy
// sharing with that backup links only what did not change, or changed too close to the
// backup's start to tell, and copies where a link is refused.
TEST_F(FolderCopierTest, SharesOnlyUnchangedFilesAndCopiesWhereLinkingFails)
{
    constexpr std::chrono::seconds s{1};
    fs::create_directories(Source("sub"));
    for (const char* name : {"old", "resized", "retimed", "racy", "sub/deep"})
        WriteFile(Source(name), std::string(5000, 'a'));
    fs::create_directory(In("earlier"));
    ASSERT_FALSE(m_services.CopyFolder(Source(), In("earlier"), {}).error);
    WriteFile(Source("resized"), std::string(5001, 'b'));
    fs::last_write_time(Source("retimed"), fs::last_write_time(Source("retimed")) - s);
    fs::last_write_time(Source("racy"), fs::last_write_time(Source("old")) + 2 * s);
    fs::last_write_time(In("earlier/World/racy"), fs::last_write_time(Source("racy")));
    FolderCopyOptions options;
    options.shareFrom = In("earlier/World");
    // Everything but "racy" lies before the earlier copy's start, as far as the rule knows.
    options.shareOlderThanNs = m_services.Status(Source("racy")).modifiedNs;
    EXPECT_EQ(m_services.PlanCopy(In("save/World"), options).bytesToCopy, 5001u + 5000 + 5000);
    EXPECT_FALSE(m_services.PlanCopy(In("save/World"), options).unchanged);

    for (const bool refused : {false, true}) {
        ASSERT_FALSE(Copy(options, refused ? WithoutLinks() : kCalls).error);
        EXPECT_EQ(ListTree(Copied()), ListTree(Source()));
        for (const char* name : {"old", "sub/deep", "resized", "retimed", "racy"})
            EXPECT_EQ(Links(Copied(name)), refused || name[0] == 'r' ? 1u : 2u) << name;
    }
    const DiskUsage both = m_services.MeasureDiskUsage({In("earlier"), In("backups")});
    EXPECT_EQ(both.total, m_services.MeasureDiskUsage({In("earlier")}).total +
                              m_services.MeasureDiskUsage({In("backups")}).unshared);
    // Against a copy of the save as it is now nothing changed; a file more and it has.
    fs::remove_all(In("earlier/World"));
    ASSERT_FALSE(m_services.CopyFolder(Source(), In("earlier"), {}).error);
    EXPECT_TRUE(m_services.PlanCopy(In("save/World"), options).unchanged);
    WriteFile(Source("sub/new"), "");
    EXPECT_FALSE(m_services.PlanCopy(In("save/World"), options).unchanged);
}

TEST_F(FolderCopierTest, ReportsWhatStopsTheCopy)
{
    fs::create_directory(Copied());
    EXPECT_EQ(m_services.CopyFolder(Source(), In("backups"), {}).error, std::errc::file_exists);
    EXPECT_EQ(m_services.CopyFolder(In("gone"), In("backups"), {}).error.value(), ENOENT);
#ifndef _WIN32
    for (const std::string& path : {m_dir.path(), In("save"), In("backups"), Source()})
        fs::permissions(path, fs::perms::all);
    WriteFile(Source("locked"), "x");
    for (const bool folder : {false, true}) {
        fs::permissions(Source("locked"), fs::perms::none);
        EXPECT_EQ(RunUnprivileged([&] { return Copy().error.value(); }), EACCES) << folder;
        fs::remove(Source("locked"));
        fs::create_directory(Source("locked"));
    }
#endif
}

#ifndef _WIN32
// Whatever way copies a file of 64 MiB with two small blocks of data, the copy takes little
// more room than the data. A way not available falls back to the next, down to reads and
// writes, which every filesystem has; any other error is reported.
TEST_F(FolderCopierTest, FallsBackOnlyWhenAWayIsNotAvailableAndKeepsHoles)
{
    const FileDescriptor file(::open(Source("sparse").c_str(), O_RDWR | O_CREAT, 0600));
    ASSERT_FALSE(file.WriteAll(RandomBytes(5000, 1), 4096));
    ASSERT_FALSE(file.WriteAll(RandomBytes(5000, 2), 32 << 20));
    ASSERT_EQ(::ftruncate(file.Get(), 64 << 20), 0);
    const std::tuple<int, int, int> cases[] = {
        {0, 0, 0},           {EOPNOTSUPP, 0, 0},      {EXDEV, EXDEV, 0},
        {ENOTTY, ENOSYS, 0}, {EINVAL, EOPNOTSUPP, 0}, {EBADF, EPERM, 0},
        {EIO, 0, EIO},       {EXDEV, ENOSPC, ENOSPC}};
    for (const auto& [clone, range, reported] : cases) {
        EXPECT_EQ(Copy({}, Failing(clone, range)).error.value(), reported) << clone << range;
        struct stat copy = {};
        ::stat(Copied("sparse").c_str(), &copy);
        EXPECT_LT(copy.st_blocks, reported == 0 ? 2048 : copy.st_blocks + 1); // 1 MiB
        EXPECT_TRUE(reported != 0 || ReadFile(Copied("sparse")) == ReadFile(Source("sparse")));
    }
}

// Each copied file holds a descriptor until the disk has it: a save of many small files must
// not hold them all open at once, or it runs out of descriptors. The copy gives way to the
// game's own disk use while it runs, and only then.
TEST_F(FolderCopierTest, HoldsFewFilesOpenWhileTheDiskCatchesUp)
{
    for (int i = 0; i < 200; ++i)
        WriteFile(Source(std::to_string(i)), "x");
    const auto open = std::distance(fs::directory_iterator("/proc/self/fd"), {});
    rlimit usual = {};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &usual), 0);
    const rlimit tight = {static_cast<rlim_t>(open) + 120, usual.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const auto priority = [] { return ::syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0); };
    long before = priority(), copying = -1;
    FolderCopyOptions options;
    options.progress = [&](auto, auto) { copying = std::max(copying, priority()); };
    const FolderCopyResult result = Copy(options);
    ::setrlimit(RLIMIT_NOFILE, &usual);
    EXPECT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(std::distance(fs::directory_iterator("/proc/self/fd"), {}), open);
    EXPECT_EQ(copying, IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0));
    EXPECT_EQ(priority(), before);
}

// A copy the kernel cannot send to the disk (here a pipe) is a failure, not a copy written.
TEST(WriteBehind, WhatCannotBeWrittenBackIsAnError)
{
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    EXPECT_EQ(WriteBehind().Add(FileDescriptor(ends[1]), 1), std::errc::invalid_seek);
}

// Chosen as "nobody", for whom permission bits count. The user's folder is made, with its
// missing parents, only when it is the one chosen, and what it holds is kept.
TEST(DataFolder, ChoosesWritableExecutableFolderElseUserFolder)
{
    // Executable's folder, its mode, installed by a package; user's folder: "new", "made" (holds
    // a file), "locked" (parent read-only) or "" (unknown); the folder chosen and the error.
    for (const auto& [exe, mode, installed, user, chosen, error] :
         {std::tuple{"opt", 0777, false, "new", "opt", 0},
          {"opt", 0777, false, "made", "opt", 0},
          {"opt", 0777, true, "new", "user", 0},
          {"gone", 0777, false, "made", "user", 0},
          {"opt", 0555, false, "new", "user", 0},
          {"opt", 0555, false, "locked", "", EACCES},
          {"opt", 0555, false, "", "", ENOENT}}) {
        const TempDir root;
        const std::string executableDir = root.path() + "/" + exe, home = root.path() + "/home";
        const std::string userDir = home + "/.local/share/mcsaver";
        fs::create_directories(root.path() + "/opt");
        fs::create_directories(*user == 'm' ? userDir : home);
        std::error_code missing;
        for (const std::string& folder : {root.path(), home, userDir})
            fs::permissions(folder, fs::perms::all, missing);
        if (*user == 'm')
            WriteFile(userDir + "/saver.ini", "kept");
        fs::permissions(root.path() + "/opt", fs::perms(mode));
        fs::permissions(home, fs::perms(*user == 'l' ? 0555 : 0777));
        const int outcome = RunUnprivileged([&, user = user, installed = installed] {
            const DataFolder folder = ChooseDataFolder(executableDir, *user ? userDir : "",
                                                       installed ? executableDir + "/" : home);
            return (folder.path == executableDir) * 1000 + (folder.path == userDir) * 2000 +
                   folder.error.value();
        });
        EXPECT_EQ(outcome, (*chosen == 'o') * 1000 + (*chosen == 'u') * 2000 + error)
            << exe << mode << installed << user;
        EXPECT_EQ(fs::exists(userDir), *chosen == 'u' || *user == 'm');
        EXPECT_EQ(fs::exists(userDir + "/saver.ini"), *user == 'm');
        EXPECT_TRUE(!fs::exists(executableDir) || fs::is_empty(executableDir));
    }
}

// A child locks the file as the game does, says so, then waits to be ended.
TEST_F(ServicesTest, SeesALockHeldByAnotherProcessOnly)
{
    const std::string lock = In("session.lock");
    WriteFile(lock, "\xE2\x98\x83");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t game = ::fork();
    ASSERT_GE(game, 0);
    if (game == 0) {
        struct flock whole = {};
        whole.l_type = F_WRLCK;
        ::fcntl(::open(lock.c_str(), O_RDWR), F_SETLK, &whole);
        if (::write(ready[1], "", 1) == 1)
            ::pause();
        ::_exit(1);
    }
    char told = 0;
    EXPECT_EQ(::read(ready[0], &told, 1), 1);
    EXPECT_TRUE(m_services.IsLockedByAnotherProcess(lock));
    ::kill(game, SIGKILL);
    ::waitpid(game, nullptr, 0);
    EXPECT_FALSE(m_services.IsLockedByAnotherProcess(lock));
}

// Zones twelve hours apart put one reading past noon, so a 12-hour clock cannot pass. The
// zone changes under a living clock, as it may while the program runs.
TEST(SystemClock, ShowsLocalTimeOfDayInTheZoneOfTheMoment)
{
    SystemClock clock;
    for (const auto& [zone, offset] : {std::pair{"UTC0", 0L},
                                       {"<+12>-12", 12 * 3600L},
                                       {"<-0930>9:30", -(9 * 3600L + 30 * 60)}}) {
        ::setenv("TZ", zone, 1);
        std::time_t now = 0;
        std::string text;
        do { // again should the second turn between the two readings
            now = std::time(nullptr);
            text = clock.ClockText();
        } while (std::time(nullptr) != now);
        const std::time_t shifted = now + offset;
        std::tm fields{};
        char expected[16];
        std::strftime(expected, sizeof expected, "%H:%M:%S", ::gmtime_r(&shifted, &fields));
        EXPECT_EQ(text, expected) << zone;
    }
    ::unsetenv("TZ");
}
#endif

} // namespace
} // namespace saver
