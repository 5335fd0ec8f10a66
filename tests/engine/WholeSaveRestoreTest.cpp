// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeSaveRestore.h"
#include "World.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

// Every file below `folder` with its bytes.
std::map<std::string, std::string> Tree(const std::string& folder)
{
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(NativePath(folder)))
        if (entry.is_regular_file())
            tree[Utf8Path(fs::relative(entry.path(), NativePath(folder)))] = ReadFile(entry.path());
    return tree;
}

// The data folder on another filesystem than the game's: nothing renames from one to the other.
class OtherFilesystem final : public ForwardingServices
{
public:
    using ForwardingServices::ForwardingServices;
    std::error_code Rename(const std::string& from, const std::string& to, bool replace) override
    {
        if (from.starts_with(AppDir() + "/") != to.starts_with(AppDir() + "/"))
            return std::make_error_code(std::errc::cross_device_link);
        return m_inner.Rename(from, to, replace);
    }
};

// Whichever operations fail, from one on or just one, the old save is whole: in its place, or
// where the message says it is. A restore that got through (with no failure, or a failed flush)
// is the backup, file for file, and has kept the old save.
TEST(WholeSaveRestoreTest, FailuresAtAnyStepLeaveTheOldSaveWhole)
{
    World w;
    const std::string backup = w.Path("app/【1】9_5_7");
    const std::string save = w.Path("game/World");
    fs::create_directories(NativePath(backup + "/World"));
    WriteFile(backup + "/World/level.dat", "the world as it was backed up");
    const auto made = fs::last_write_time(NativePath(backup));
    const auto before = Tree(save);
    OtherFilesystem apart(w.real);
    FaultyServices faultyApart(apart);
    for (FaultyServices* faulty : {&w.files, &faultyApart}) {
        for (const bool onwards : {false, true}) {
            for (int n = 1;; ++n) {
                faulty->FailAt(n, std::errc::io_error, onwards);
                const RestoreOutcome outcome =
                    WholeSaveRestore(*faulty, backup, w.Level(), "2026-12-07 01_02_03").Run({}, {});
                SCOPED_TRACE("operation " + std::to_string(n) + ": " + outcome.message);
                if (!outcome.error)
                    EXPECT_EQ(Tree(save), Tree(backup + "/World"));
                else if (outcome.keptSave.empty())
                    EXPECT_TRUE(outcome.message.ends_with("（存档未改动）") ||
                                outcome.message.ends_with("原来的存档已放回原处"));
                else
                    EXPECT_NE(outcome.message.find("未能放回原处"), std::string::npos);
                const std::string old = outcome.keptSave.empty() ? save : outcome.keptSave;
                EXPECT_EQ(Tree(old), before);
                const bool last = faulty->Operations() < n;
                if (last) {
                    EXPECT_FALSE(outcome.error);
                    EXPECT_EQ(old, w.Path("app/【恢复前】2026-12-07 01_02_03/World"));
                    EXPECT_EQ(outcome.message,
                              "已恢复存档 World（来自 【1】9_5_7）。原来的存档已移到 " + old);
                    EXPECT_EQ(std::distance(fs::directory_iterator(NativePath(w.Path("game"))), {}),
                              1);
                }
                // Each run starts from the same folders.
                if (old != save) {
                    fs::remove_all(NativePath(save));
                    fs::rename(NativePath(old), NativePath(save));
                }
                for (const auto& entry : fs::directory_iterator(NativePath(w.Path("game"))))
                    if (entry.path() != NativePath(save))
                        fs::remove_all(entry.path());
                fs::remove_all(NativePath(w.Path("app/【恢复前】2026-12-07 01_02_03")));
                if (last)
                    break;
            }
        }
    }
    // The backup gone back to is kept for good, and still tells when it was made.
    EXPECT_TRUE(fs::exists(NativePath(backup + "/.pinned")));
    EXPECT_EQ(fs::last_write_time(NativePath(backup)), made);
}

// A backup that shares its files with an earlier one comes back as copies of them: the game
// writing to the restored save never reaches into a backup.
TEST(WholeSaveRestoreTest, ASharedBackupComesBackAsCopies)
{
    World w;
    for (int i = 0; i < 2; ++i) {
        w.clock.Advance(1);
        ASSERT_FALSE(w.RunToEnd(w.saver.Command4_Click()).lblShow2.starts_with("保存失败"));
    }
    const std::string backup = w.Path("app/【2】9_0_2");
    const DiskUsage shared = w.real.MeasureDiskUsage({backup});
    ASSERT_LT(shared.unshared, shared.total);
    const auto backedUp = Tree(backup + "/World");
    WriteFile(w.Level(), "played on");
    ASSERT_FALSE(
        WholeSaveRestore(w.files, backup, w.Level(), "2026-12-07 01_02_03").Run({}, {}).error);
    EXPECT_EQ(Tree(w.Path("game/World")), backedUp);
    const DiskUsage restored = w.real.MeasureDiskUsage({w.Path("game/World")});
    EXPECT_EQ(restored.unshared, restored.total);
}

} // namespace
} // namespace saver::test
