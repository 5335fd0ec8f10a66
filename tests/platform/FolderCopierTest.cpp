// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderCopier.h"
#include "SystemServices.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

// What a folder copy must do on every system; how Linux's copier falls back from one of the
// kernel's ways of copying to the next is checked on Linux alone.
#ifndef _WIN32
#include <fcntl.h>
#include <linux/ioprio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#endif

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::RandomBytes;
using test::ReadFile;
using test::WriteFile;

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
// Without clones unless asked: a clone copies a whole file in one step, without a middle to
// stop in.
const Calls kCalls = Failing(EOPNOTSUPP, 0);

std::uint64_t Links(const std::string& path)
{
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_nlink : 0;
}
#else
using Calls = CopyCalls;
const Calls kCalls;

std::uint64_t Links(const std::string& path)
{
    return OpenShared(path, 0).Facts().links;
}
#endif

// As on a filesystem that makes no hard links.
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

class FolderCopierTest : public test::InTempDir
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

#ifndef _WIN32
// Whatever way copies a file of 64 MiB with two small blocks of data in it, the copy takes
// little more room than the data. A way that is not available falls back to the next, down to
// reads and writes, which every filesystem has; any other error is reported.
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
#endif

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
    options.progress = [&](std::uint64_t done, std::uint64_t all) {
        reports.emplace_back(done, all);
    };
    options.leaveOut = [&](const std::string& path) {
        asked.insert(path);
        return path == Source("saver") || path == Source("skip.dat");
    };

    const FolderCopyResult result =
        SystemServices("").CopyFolder(Source(), Source("saver/backups"), options);

    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(ListTree(Source("saver/backups")), expected);
    EXPECT_EQ(asked, offered);
    EXPECT_EQ(reports.front(), std::pair(std::uint64_t{0}, total));
    EXPECT_EQ(reports.back(), std::pair(total, total));
    EXPECT_TRUE(std::ranges::is_sorted(reports, {}, [](const auto& r) { return r.first; }));
    EXPECT_TRUE(std::ranges::all_of(reports, [&](const auto& r) { return r.second == total; }));
    // Now and then is once per 4 MiB at most, besides the first and the last.
    EXPECT_GT(reports.size(), 2u);
    EXPECT_LE(reports.size(), total / (4 << 20) + 2);
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

// Each try to copy the file changes it, as the game may, as often as the case says, by
// adding to it or by writing over its start; the copy kept is the last one.
TEST_F(FolderCopierTest, CopiesAgainWhileTheFileChanges)
{
    for (const auto& [changes, inPlace] : {std::pair(1, false), {5, false}, {5, true}}) {
        WriteFile(Source("busy.mca"), RandomBytes(5 << 20, 6));
        int tries = 0;
        std::uint64_t done = 0;
        FolderCopyOptions options;
        // Reported in the middle of each try, at 4 MiB.
        options.progress = [&, count = changes, over = inPlace](std::uint64_t bytes, auto) {
            const auto path = test::NativePath(Source("busy.mca"));
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
    SystemServices files("");
    fs::create_directories(Source("sub"));
    for (const char* name : {"old", "resized", "retimed", "racy", "sub/deep"})
        WriteFile(Source(name), std::string(5000, 'a'));
    fs::create_directory(In("earlier"));
    ASSERT_FALSE(files.CopyFolder(Source(), In("earlier"), {}).error);
    WriteFile(Source("resized"), std::string(5001, 'b'));
    fs::last_write_time(Source("retimed"), fs::last_write_time(Source("retimed")) - s);
    fs::last_write_time(Source("racy"), fs::last_write_time(Source("old")) + 2 * s);
    fs::last_write_time(In("earlier/World/racy"), fs::last_write_time(Source("racy")));
    FolderCopyOptions options;
    options.shareFrom = In("earlier/World");
    // Everything but "racy" lies before the earlier copy's start, as far as the rule knows.
    options.shareOlderThanNs = files.Status(Source("racy")).modifiedNs;
    EXPECT_EQ(files.PlanCopy(In("save/World"), options).bytesToCopy, 5001u + 5000 + 5000);
    EXPECT_FALSE(files.PlanCopy(In("save/World"), options).unchanged);

    for (const bool refused : {false, true}) {
        ASSERT_FALSE(Copy(options, refused ? WithoutLinks() : kCalls).error);
        EXPECT_EQ(ListTree(Copied()), ListTree(Source()));
        EXPECT_EQ(Links(Copied("old")), refused ? 1u : 2u);
        EXPECT_EQ(Links(Copied("sub/deep")), refused ? 1u : 2u);
        for (const char* changed : {"resized", "retimed", "racy"})
            EXPECT_EQ(Links(Copied(changed)), 1u) << changed;
    }
    const DiskUsage both = files.MeasureDiskUsage({In("earlier"), In("backups")});
    EXPECT_EQ(both.total, files.MeasureDiskUsage({In("earlier")}).total +
                              files.MeasureDiskUsage({In("backups")}).unshared);
    // Against a copy of the save as it is now nothing changed; a file more and it has.
    fs::remove_all(In("earlier/World"));
    ASSERT_FALSE(files.CopyFolder(Source(), In("earlier"), {}).error);
    EXPECT_TRUE(files.PlanCopy(In("save/World"), options).unchanged);
    WriteFile(Source("sub/new"), "");
    EXPECT_FALSE(files.PlanCopy(In("save/World"), options).unchanged);
}

TEST_F(FolderCopierTest, ReportsWhatStopsTheCopy)
{
    SystemServices files("");
    fs::create_directory(Copied());
    EXPECT_EQ(files.CopyFolder(Source(), In("backups"), {}).error, std::errc::file_exists);
    EXPECT_EQ(files.CopyFolder(In("gone"), In("backups"), {}).error.value(), ENOENT);
#ifndef _WIN32
    for (const std::string& path : {m_dir.path(), In("save"), In("backups"), Source()})
        fs::permissions(path, fs::perms::all);
    WriteFile(Source("locked"), "x");
    for (const bool folder : {false, true}) {
        fs::permissions(Source("locked"), fs::perms::none);
        EXPECT_EQ(test::RunUnprivileged([&] { return Copy().error.value(); }), EACCES) << folder;
        fs::remove(Source("locked"));
        fs::create_directory(Source("locked"));
    }
#endif
}

#ifndef _WIN32
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
    rlimit tight = usual;
    tight.rlim_cur = static_cast<rlim_t>(open) + 120;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    const auto priority = [] { return ::syscall(SYS_ioprio_get, IOPRIO_WHO_PROCESS, 0); };
    long before = priority(), copying = -1;
    FolderCopyOptions options;
    options.progress = [&](std::uint64_t, std::uint64_t) {
        copying = std::max(copying, priority());
    };
    const FolderCopyResult result = Copy(options);
    ::setrlimit(RLIMIT_NOFILE, &usual);
    EXPECT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(std::distance(fs::directory_iterator("/proc/self/fd"), {}), open);
    EXPECT_EQ(copying, IOPRIO_PRIO_VALUE(IOPRIO_CLASS_IDLE, 0));
    EXPECT_EQ(priority(), before);
}
#endif

} // namespace
} // namespace saver
