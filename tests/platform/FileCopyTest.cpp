#include "SystemServices.h"

#include "TempDir.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stop_token>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::RandomBytes;
using test::ReadFile;
using test::WriteFile;

constexpr std::size_t kMiB = std::size_t{1} << 20;

class CopyFolderTest : public ::testing::Test
{
protected:
    CopyFolderTest()
    {
        fs::create_directory(Source());
        fs::create_directory(Into());
    }

    std::string In(const std::string& name) const { return m_dir.path() + "/" + name; }
    std::string Source(const std::string& name = {}) const { return Below("World", name); }
    std::string Into() const { return In("backups"); }
    std::string Copied(const std::string& name = {}) const { return Below("backups/World", name); }

    FolderCopyResult Copy(const FolderCopyOptions& options = {})
    {
        return m_services.CopyFolder(Source(), Into(), options);
    }

    test::TempDir m_dir;
    SystemServices m_services{"/opt/saver"};

private:
    std::string Below(const std::string& folder, const std::string& name) const
    {
        return name.empty() ? In(folder) : In(folder) + "/" + name;
    }
};

TEST_F(CopyFolderTest, CopiesTreeUnderItsOwnName)
{
    WriteFile(Source("level.dat"), RandomBytes(1000, 1));
    fs::create_directories(Source("region/deep/er"));
    fs::create_directory(Source("empty folder"));
    WriteFile(Source("region/r.0.0.mca"), RandomBytes(5 * kMiB + 3, 2));
    WriteFile(Source("region/deep/er/empty"), "");

    const FolderCopyResult result = Copy();

    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(ListTree(Copied()), ListTree(Source()));
    EXPECT_EQ(result.files, 3u);
    EXPECT_EQ(result.bytes, 1000u + 5 * kMiB + 3);
    EXPECT_EQ(result.changedFiles, 0u);
}

// Files are copied on several threads and written to the disk behind the copy: a save with
// more files and bytes than either keeps on its way at once still arrives whole.
TEST_F(CopyFolderTest, CopiesManyFilesInManyFolders)
{
    std::uint64_t bytes = 0;
    for (int folder = 0; folder < 4; ++folder) {
        const std::string name = "dim" + std::to_string(folder) + "/region";
        fs::create_directories(Source(name));
        for (int file = 0; file < 60; ++file) {
            const std::size_t size = file % 10 == 0 ? 2 * kMiB + file : 1000 * file;
            WriteFile(Source(name + "/r." + std::to_string(file) + ".mca"),
                      RandomBytes(size, static_cast<unsigned>(folder * 100 + file)));
            bytes += size;
        }
    }

    const FolderCopyResult result = Copy();

    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(ListTree(Copied()), ListTree(Source()));
    EXPECT_EQ(result.files, 240u);
    EXPECT_EQ(result.bytes, bytes);
}

TEST_F(CopyFolderTest, CopiesEmptyFolder)
{
    const FolderCopyResult result = Copy();
    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_TRUE(fs::is_directory(Copied()));
    EXPECT_TRUE(ListTree(Copied()).empty());
    EXPECT_EQ(result.files, 0u);
}

TEST_F(CopyFolderTest, KeepsPermissionsAndTimes)
{
    struct Entry
    {
        const char* name;
        mode_t mode;
        timespec mtime;
    };
    // A read-only folder must still receive its contents before it is locked.
    const Entry entries[] = {{"locked/inner", 0600, {1'000'000'000, 5}},
                             {"locked", 0555, {1'100'000'000, 123'456'789}},
                             {"script", 0750, {1'200'000'000, 0}},
                             {"shared", 0664, {1'300'000'000, 999'999'999}},
                             {"", 0711, {1'400'000'000, 42}}};
    fs::create_directory(Source("locked"));
    WriteFile(Source("locked/inner"), "a");
    WriteFile(Source("script"), "b");
    WriteFile(Source("shared"), "c");
    for (const Entry& entry : entries) {
        const timespec times[2] = {entry.mtime, entry.mtime};
        ASSERT_EQ(::chmod(Source(entry.name).c_str(), entry.mode), 0);
        ASSERT_EQ(::utimensat(AT_FDCWD, Source(entry.name).c_str(), times, 0), 0);
    }

    ASSERT_FALSE(Copy().error);

    for (const Entry& entry : entries) {
        struct stat info = {};
        ASSERT_EQ(::stat(Copied(entry.name).c_str(), &info), 0) << entry.name;
        EXPECT_EQ(info.st_mode & 07777, entry.mode) << entry.name;
        EXPECT_EQ(info.st_mtim.tv_sec, entry.mtime.tv_sec) << entry.name;
        EXPECT_EQ(info.st_mtim.tv_nsec, entry.mtime.tv_nsec) << entry.name;
    }
}

TEST_F(CopyFolderTest, CopiesLinksAsLinks)
{
    fs::create_directory(In("outside"));
    WriteFile(In("outside/secret"), "not part of the save");
    WriteFile(Source("level.dat"), "x");
    fs::create_symlink("level.dat", Source("to file"));
    fs::create_symlink(In("outside"), Source("to outside folder"));
    fs::create_symlink("nowhere/at/all", Source("dangling"));

    ASSERT_FALSE(Copy().error);

    const auto copied = ListTree(Copied());
    EXPECT_EQ(copied, ListTree(Source()));
    EXPECT_EQ(copied.at("to outside folder"), "link:" + In("outside"));
    EXPECT_EQ(copied.at("dangling"), "link:nowhere/at/all");
}

enum class Special { Fifo, Socket };

class SpecialFileTest : public CopyFolderTest, public ::testing::WithParamInterface<Special>
{
protected:
    void Make(Special kind, const std::string& path)
    {
        if (kind == Special::Fifo) {
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
            return;
        }
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), sizeof address.sun_path);
        path.copy(address.sun_path, path.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        ::close(fd);
        ASSERT_EQ(bound, 0);
    }
};

// Opening a pipe without a writer waits forever, so a copy that tries hangs this test.
TEST_P(SpecialFileTest, LeavesSpecialFilesOut)
{
    WriteFile(Source("level.dat"), "x");
    Make(GetParam(), Source("special"));

    const FolderCopyResult result = Copy();

    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_FALSE(fs::exists(fs::symlink_status(Copied("special"))));
    EXPECT_EQ(ReadFile(Copied("level.dat")), "x");
    EXPECT_EQ(result.files, 1u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialFileTest, ::testing::Values(Special::Fifo, Special::Socket),
                         [](const auto& tested) {
                             return tested.param == Special::Fifo ? "Fifo" : "Socket";
                         });

struct ExcludeCase
{
    const char* name;
    // Below the test folder, which holds World/saver, a link "app" to it and "elsewhere".
    const char* exclude;
    bool saverCopied;
};

class ExcludeTest : public CopyFolderTest, public ::testing::WithParamInterface<ExcludeCase>
{
};

TEST_P(ExcludeTest, LeavesOutTheExcludedFolderHoweverNamed)
{
    WriteFile(Source("level.dat"), "x");
    fs::create_directories(Source("saver/backups"));
    WriteFile(Source("saver/backups/old.dat"), RandomBytes(100, 1));
    fs::create_directory(In("elsewhere"));
    fs::create_symlink(Source("saver"), In("app"));
    FolderCopyOptions options;
    options.exclude = In(GetParam().exclude);

    const FolderCopyResult result = Copy(options);

    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(fs::exists(Copied("saver")), GetParam().saverCopied);
    EXPECT_EQ(ReadFile(Copied("level.dat")), "x");
    EXPECT_EQ(result.files, GetParam().saverCopied ? 2u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Paths, ExcludeTest,
                         ::testing::Values(ExcludeCase{"SamePath", "World/saver", false},
                                           ExcludeCase{"OtherSpelling", "World/../World/./saver/",
                                                       false},
                                           ExcludeCase{"ThroughLink", "app", false},
                                           ExcludeCase{"FolderElsewhere", "elsewhere", true},
                                           ExcludeCase{"Missing", "missing", true}),
                         test::CaseName{});

TEST_F(CopyFolderTest, CopyIntoFolderInsideSourceDoesNotCopyItself)
{
    WriteFile(Source("level.dat"), "x");
    fs::create_directory(Source("backups"));

    const FolderCopyResult result = m_services.CopyFolder(Source(), Source("backups"), {});

    ASSERT_FALSE(result.error) << result.error.message();
    const auto copied = ListTree(Source("backups/World"));
    EXPECT_EQ(copied, (std::map<std::string, std::string>{
                          {"backups", "dir"}, {"level.dat", ListTree(Source()).at("level.dat")}}));
}

struct NameCase
{
    const char* name;
    std::string path;
};

class NameTest : public CopyFolderTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(NameTest, CopiesUnusualNames)
{
    const fs::path path(Source(GetParam().path));
    fs::create_directories(path.parent_path());
    WriteFile(path.string(), "x");

    ASSERT_FALSE(Copy().error);

    EXPECT_EQ(ListTree(Copied()), ListTree(Source()));
}

INSTANTIATE_TEST_SUITE_P(
    Names, NameTest,
    ::testing::Values(NameCase{"Chinese", "\xe5\xad\x98\xe6\xa1\xa3/\xe4\xb8\x96\xe7\x95\x8c.dat"},
                      NameCase{"TwoHundredBytes",
                               std::string(200, 'n') + "/" + std::string(200, 'f')},
                      NameCase{"LongChinese",
                               [] {
                                   std::string name;
                                   for (int i = 0; i < 80; ++i) {
                                       name += "\xe4\xb8\x96";
                                   }
                                   return name;
                               }()},
                      NameCase{"Punctuation", "a b'c\"$*?\\.txt"}),
    test::CaseName{});

enum class StopAt { Start, BigFile };

class CancelTest : public CopyFolderTest, public ::testing::WithParamInterface<StopAt>
{
};

TEST_P(CancelTest, StopsWithOperationCanceled)
{
    for (const char* name : {"r.0.0.mca", "r.0.1.mca", "r.1.0.mca"}) {
        WriteFile(Source(name), RandomBytes(5 * kMiB, 3));
    }
    std::stop_source stop;
    FolderCopyOptions options;
    options.cancel = stop.get_token();
    if (GetParam() == StopAt::Start) {
        stop.request_stop();
    } else {
        options.progress = [&](std::uint64_t done, std::uint64_t) {
            if (done > 0) {
                stop.request_stop();
            }
        };
    }

    const FolderCopyResult result = Copy(options);

    EXPECT_EQ(result.error, std::errc::operation_canceled);
    EXPECT_EQ(result.files, 0u);
}

INSTANTIATE_TEST_SUITE_P(Moments, CancelTest, ::testing::Values(StopAt::Start, StopAt::BigFile),
                         [](const auto& tested) {
                             return tested.param == StopAt::Start ? "Start" : "BigFile";
                         });

TEST_F(CopyFolderTest, ReportsProgressNowAndThenUpToTheTotal)
{
    std::uint64_t total = 0;
    for (int i = 0; i < 20; ++i) {
        WriteFile(Source("small" + std::to_string(i)), RandomBytes(1000, 4));
        total += 1000;
    }
    for (const char* name : {"big1", "big2"}) {
        WriteFile(Source(name), RandomBytes(9 * kMiB, 5));
        total += 9 * kMiB;
    }
    std::vector<std::pair<std::uint64_t, std::uint64_t>> calls;
    FolderCopyOptions options;
    options.progress = [&](std::uint64_t done, std::uint64_t all) {
        calls.emplace_back(done, all);
    };

    ASSERT_FALSE(Copy(options).error);

    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), std::make_pair(std::uint64_t{0}, total));
    EXPECT_EQ(calls.back(), std::make_pair(total, total));
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_LE(calls[i - 1].first, calls[i].first);
        EXPECT_EQ(calls[i].second, total);
    }
    // One call per file and one per 4 MiB at most, plus the first and the last.
    EXPECT_LE(calls.size(), 22 + total / (4 * kMiB) + 2);
}

struct ChangeCase
{
    const char* name;
    int changes;
    std::uint64_t changedFiles;
};

class ChangingFileTest : public CopyFolderTest, public ::testing::WithParamInterface<ChangeCase>
{
};

// The game may write a file while it is copied; progress calls come in the middle of a big
// file, which gives the test its moment to change it.
TEST_P(ChangingFileTest, CopiesAgainUntilSettledOrOutOfTries)
{
    WriteFile(Source("busy.mca"), RandomBytes(9 * kMiB, 6));
    int changes = 0;
    FolderCopyOptions options;
    options.progress = [&](std::uint64_t done, std::uint64_t) {
        if (done > 0 && changes < GetParam().changes) {
            std::ofstream(Source("busy.mca"), std::ios::binary | std::ios::app) << "more";
            ++changes;
        }
    };

    const FolderCopyResult result = Copy(options);

    ASSERT_FALSE(result.error) << result.error.message();
    EXPECT_EQ(result.changedFiles, GetParam().changedFiles);
    EXPECT_EQ(result.files, 1u);
    EXPECT_EQ(result.bytes, fs::file_size(Copied("busy.mca")));
    if (GetParam().changedFiles == 0) {
        EXPECT_TRUE(ReadFile(Copied("busy.mca")) == ReadFile(Source("busy.mca")));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ChangingFileTest,
                         ::testing::Values(ChangeCase{"ChangesOnce", 1, 0},
                                           ChangeCase{"KeepsChanging", 1000, 1}),
                         test::CaseName{});

enum class Locked { File, Folder };

class UnreadableTest : public CopyFolderTest, public ::testing::WithParamInterface<Locked>
{
};

TEST_P(UnreadableTest, StopsWithPermissionDenied)
{
    if (test::IsRoot()) {
        GTEST_SKIP() << "root reads everything";
    }
    const std::string path = Source("locked");
    if (GetParam() == Locked::File) {
        WriteFile(path, "x");
    } else {
        fs::create_directory(path);
    }
    ::chmod(path.c_str(), 0);

    EXPECT_EQ(Copy().error, std::errc::permission_denied);
}

INSTANTIATE_TEST_SUITE_P(Kinds, UnreadableTest, ::testing::Values(Locked::File, Locked::Folder),
                         [](const auto& tested) {
                             return tested.param == Locked::File ? "File" : "Folder";
                         });

TEST_F(CopyFolderTest, StopsAtFirstWriteError)
{
    WriteFile(Source("region.mca"), RandomBytes(3 * kMiB, 7));
    const test::FileSizeLimit limit(kMiB);
    EXPECT_EQ(Copy().error, std::errc::file_too_large);
}

// The other threads stop when one fails; what they report is the failure, not their stop.
TEST_F(CopyFolderTest, ReportsTheFirstErrorAmongManyFiles)
{
    for (int file = 0; file < 40; ++file) {
        WriteFile(Source("small" + std::to_string(file)), RandomBytes(1000, 8));
    }
    WriteFile(Source("region.mca"), RandomBytes(3 * kMiB, 9));
    const test::FileSizeLimit limit(kMiB);

    const FolderCopyResult result = Copy();

    EXPECT_EQ(result.error, std::errc::file_too_large);
    EXPECT_LT(result.files, 41u);
}

TEST_F(CopyFolderTest, RefusesExistingTargetOrMissingSource)
{
    fs::create_directory(Copied());
    EXPECT_EQ(Copy().error, std::errc::file_exists);
    EXPECT_EQ(m_services.CopyFolder(In("missing"), Into(), {}).error,
              std::errc::no_such_file_or_directory);
}

} // namespace
} // namespace saver
