// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderCopier.h"
#include "SystemServices.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::WriteFile;

// A copy on a filesystem that makes no hard links.
FolderCopyResult CopyWithoutLinks(const FolderCopyOptions& options, const std::string& from,
                                  const std::string& into)
{
#ifdef _WIN32
    return FolderCopier(options,
                        {.link = [](const std::wstring&, const std::wstring&) { return false; }})
        .Run(from, into);
#else
    KernelCopyCalls refusing = SystemCopyCalls();
    refusing.link = [](const char*, int, const char*) { return errno = EMLINK, -1; };
    return FolderCopier(options, refusing).Run(from, into);
#endif
}

std::uint64_t Links(const std::string& path)
{
#ifdef _WIN32
    return OpenShared(path, 0).Facts().links;
#else
    struct stat info = {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_nlink : 0;
#endif
}

// A save copied once as the "earlier" backup, then changed in the ways a game changes it.
class SharedCopy : public ::testing::Test
{
protected:
    SharedCopy()
    {
        fs::create_directories(Save("sub"));
        for (const char* name : {"old", "resized", "retimed", "racy", "sub/deep"})
            WriteFile(Save(name), std::string(5000, 'a'));
        fs::create_directories(In("earlier"));
        EXPECT_FALSE(m_files.CopyFolder(In("World"), In("earlier"), {}).error);
        WriteFile(Save("resized"), std::string(5001, 'b'));
        fs::last_write_time(Save("retimed"), fs::last_write_time(Save("retimed")) - s);
    }

    std::string In(const std::string& name) const { return m_dir.path() + "/" + name; }
    std::string Save(const std::string& name) const { return In("World/" + name); }
    FolderCopyOptions Sharing()
    {
        FolderCopyOptions options;
        options.shareFrom = In("earlier/World");
        // Everything but "racy" lies before the earlier copy's start, as far as the rule knows.
        options.shareOlderThanNs = m_files.Status(Save("racy")).modifiedNs;
        return options;
    }

    static constexpr std::chrono::seconds s{1};
    test::TempDir m_dir;
    SystemServices m_files{m_dir.path()};
};

TEST_F(SharedCopy, LinksOnlyUnchangedFilesAndCopiesWhereLinkingFails)
{
    fs::last_write_time(Save("racy"), fs::last_write_time(Save("old")) + 2 * s);
    fs::last_write_time(In("earlier/World/racy"), fs::last_write_time(Save("racy")));
    const FolderCopyOptions options = Sharing();
    EXPECT_EQ(m_files.PlanCopy(In("World"), options).bytesToCopy, 5001u + 5000 + 5000);
    EXPECT_FALSE(m_files.PlanCopy(In("World"), options).unchanged);

    for (const bool refused : {false, true}) {
        fs::remove_all(In("now")), fs::create_directories(In("now"));
        ASSERT_FALSE((refused ? CopyWithoutLinks(options, In("World"), In("now"))
                              : m_files.CopyFolder(In("World"), In("now"), options))
                         .error);
        EXPECT_EQ(ListTree(In("now/World")), ListTree(Save("")));
        const std::uint64_t shared = refused ? 1 : 2;
        EXPECT_EQ(Links(In("now/World/old")), shared);
        EXPECT_EQ(Links(In("now/World/sub/deep")), shared);
        for (const char* changed : {"resized", "retimed", "racy"})
            EXPECT_EQ(Links(In(std::string("now/World/") + changed)), 1u) << changed;
    }
    const DiskUsage both = m_files.MeasureDiskUsage({In("earlier"), In("now")});
    const DiskUsage earlier = m_files.MeasureDiskUsage({In("earlier")});
    EXPECT_EQ(both.total, earlier.total + m_files.MeasureDiskUsage({In("now")}).unshared);
}

TEST_F(SharedCopy, AnUntouchedSaveIsPlannedAsUnchanged)
{
    fs::remove_all(In("earlier")), fs::create_directories(In("earlier"));
    ASSERT_FALSE(m_files.CopyFolder(In("World"), In("earlier"), {}).error);
    EXPECT_TRUE(m_files.PlanCopy(In("World"), Sharing()).unchanged);
    WriteFile(Save("sub/new"), "");
    EXPECT_FALSE(m_files.PlanCopy(In("World"), Sharing()).unchanged);
}

} // namespace
} // namespace saver
