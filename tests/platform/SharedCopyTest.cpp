// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderCopier.h"

#include "SystemServices.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace saver {
namespace {

namespace fs = std::filesystem;
using test::ListTree;
using test::WriteFile;

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
        EXPECT_FALSE(FolderCopier({}).Run(In("World"), In("earlier")).error);
        WriteFile(Save("resized"), std::string(5001, 'b'));
        fs::last_write_time(Save("retimed"), fs::last_write_time(Save("retimed")) - s);
    }

    std::string In(const std::string& name) const { return m_dir.path() + "/" + name; }
    std::string Save(const std::string& name) const { return In("World/" + name); }
    FolderCopyOptions Sharing() const
    {
        FolderCopyOptions options;
        options.shareFrom = In("earlier/World");
        // Everything but "racy" lies before the earlier copy's start, as far as the rule knows.
        struct stat info = {};
        ::stat(Save("racy").c_str(), &info);
        options.shareOlderThanNs = info.st_mtim.tv_sec * 1'000'000'000LL + info.st_mtim.tv_nsec;
        return options;
    }
    static nlink_t Links(const std::string& path)
    {
        struct stat info = {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_nlink : 0;
    }

    static constexpr std::chrono::seconds s{1};
    test::TempDir m_dir;
};

TEST_F(SharedCopy, LinksOnlyUnchangedFilesAndCopiesWhereLinkingFails)
{
    fs::last_write_time(Save("racy"), fs::last_write_time(Save("old")) + 2 * s);
    fs::last_write_time(In("earlier/World/racy"), fs::last_write_time(Save("racy")));
    const FolderCopyOptions options = Sharing();
    SystemServices files(m_dir.path());
    EXPECT_EQ(files.PlanCopy(In("World"), options).bytesToCopy, 5001u + 5000 + 5000);
    EXPECT_FALSE(files.PlanCopy(In("World"), options).unchanged);

    KernelCopyCalls refusing = SystemCopyCalls();
    const KernelCopyCalls* const refused = &refusing;
    refusing.link = [](const char*, int, const char*) { return errno = EMLINK, -1; };
    for (const KernelCopyCalls* calls : {&SystemCopyCalls(), refused}) {
        fs::remove_all(In("now")), fs::create_directories(In("now"));
        ASSERT_FALSE(FolderCopier(options, *calls).Run(In("World"), In("now")).error);
        EXPECT_EQ(ListTree(In("now/World")), ListTree(Save("")));
        const nlink_t shared = calls == refused ? 1 : 2;
        EXPECT_EQ(Links(In("now/World/old")), shared);
        EXPECT_EQ(Links(In("now/World/sub/deep")), shared);
        for (const char* changed : {"resized", "retimed", "racy"})
            EXPECT_EQ(Links(In(std::string("now/World/") + changed)), 1u) << changed;
    }
    const DiskUsage both = files.MeasureDiskUsage({In("earlier"), In("now")});
    const DiskUsage earlier = files.MeasureDiskUsage({In("earlier")});
    EXPECT_EQ(both.total, earlier.total + files.MeasureDiskUsage({In("now")}).unshared);
}

TEST_F(SharedCopy, AnUntouchedSaveIsPlannedAsUnchanged)
{
    SystemServices files(m_dir.path());
    fs::remove_all(In("earlier")), fs::create_directories(In("earlier"));
    ASSERT_FALSE(FolderCopier({}).Run(In("World"), In("earlier")).error);
    EXPECT_TRUE(files.PlanCopy(In("World"), Sharing()).unchanged);
    WriteFile(Save("sub/new"), "");
    EXPECT_FALSE(files.PlanCopy(In("World"), Sharing()).unchanged);
}

} // namespace
} // namespace saver
