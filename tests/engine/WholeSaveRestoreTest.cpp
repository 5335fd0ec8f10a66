// SPDX-License-Identifier: GPL-3.0-or-later
#include "WholeSaveRestore.h"
#include "Leftovers.h"
#include "PathSeparators.h"
#include "RestoreRecovery.h"
#include "StatusTexts.h"
#include "World.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace saver::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

// A world with a whole-save backup of several files.
struct RestoreWorld : BackedUpWorld
{
    RestoreWorld()
    {
        for (int i = 0; i < 6; ++i)
            backedUp["region/r." + std::to_string(i) + ".mca"] = std::string(1000 + i, 'b');
        backedUp["level.dat"] = "the world as it was backed up";
        WriteTree(backup + "/World", backedUp);
        before = TreeOf(save);
    }
    RestoreOutcome Restore(FileServices& through, const std::stop_token& stop = {})
    {
        return WholeSaveRestore(through, holds, backup, Level(), kStamp).Run({}, stop);
    }

    Tree backedUp;
};

// Cut short at any step, by a failure or a kill (every change from then on fails, a copy under
// way is torn), on one filesystem or across two: the old save is whole where the player is told,
// and once the next start has put things right nothing else of the restore is left.
TEST(WholeSaveRestoreTest, CutShortAtAnyStepTheOldSaveIsWholeWhereTheProgramSays)
{
    RestoreWorld w;
    OtherFilesystem apart(w.real);
    FaultyServices faultyApart(apart);
    for (FaultyServices* faulty : {&w.files, &faultyApart}) {
        faulty->TearFailingCopies();
        for (const bool killed : {false, true}) {
            for (int n = 1;; ++n) {
                faulty->FailAt(n, std::errc::io_error, killed);
                const RestoreOutcome outcome = w.Restore(*faulty);
                const bool last = faulty->Operations() < n;
                SCOPED_TRACE("operation " + std::to_string(n) + (killed ? " killed: " : ": ") +
                             RestoreText(outcome));
                const Tree now = TreeOf(w.save);
                if (!outcome.error) {
                    EXPECT_EQ(now, w.backedUp);
                    EXPECT_EQ(TreeOf(w.Kept()), w.before);
                    // Only a failure to pin, at the very end, adds to the message.
                    const std::string told =
                        "已恢复存档 World（来自 【1】9_5_7）。原来的存档已移到 " +
                        WithSystemSeparators(w.Kept());
                    EXPECT_TRUE(last ? RestoreText(outcome) == told
                                     : RestoreText(outcome).starts_with(told));
                } else if (outcome.keptSave.empty()) {
                    EXPECT_TRUE(RestoreText(outcome).ends_with("（存档未改动）") ||
                                RestoreText(outcome).ends_with("原来的存档已放回原处"));
                    EXPECT_EQ(now, w.before);
                } else {
                    EXPECT_THAT(RestoreText(outcome),
                                HasSubstr("未能放回原处，它完整地保存在 " +
                                          WithSystemSeparators(outcome.keptSave)));
                    EXPECT_EQ(TreeOf(outcome.keptSave), w.before);
                }
                // What the next start finds and says is true as well.
                RemoveLeftovers(w.real);
                const RestoreRecovery next = RecoverInterruptedRestore(w.real);
                const std::string said = RecoveryText(next);
                SCOPED_TRACE(said);
                if (next.kind == RestoreRecovery::Kind::Completed) {
                    EXPECT_TRUE(said.ends_with("原来的存档在 " + WithSystemSeparators(w.Kept())));
                } else if (next.kind == RestoreRecovery::Kind::PutBack) {
                    EXPECT_TRUE(
                        said.ends_with("原来的存档已放回原处：" + WithSystemSeparators(w.save)));
                }
                const bool restored = TreeOf(w.save) == w.backedUp;
                EXPECT_TRUE(restored || TreeOf(w.save) == w.before);
                EXPECT_TRUE(!restored || TreeOf(w.Kept()) == w.before);
                EXPECT_EQ(restored,
                          next.kind == RestoreRecovery::Kind::Completed ||
                              (next.kind == RestoreRecovery::Kind::None && now == w.backedUp));
                w.ExpectNothingLeftOver(restored);
                w.Reset();
                if (last)
                    break;
            }
        }
    }
}

// The game or a launcher makes the save's folder again while the old one is aside, before the
// restored save goes in or as the old one is put back after that failed: the old save stays
// whole in its 【恢复前】 folder, and the player is told where it is.
TEST(WholeSaveRestoreTest, AFolderInTheSavesPlaceKeepsTheOldSaveAside)
{
    RestoreWorld w;
    OtherFilesystem apart(w.real);
    for (FileServices* through : std::initializer_list<FileServices*>{&w.real, &apart}) {
        for (const bool putBack : {false, true}) {
            HookedServices launcher(*through);
            launcher.beforeRename = [&](const std::string& from, const std::string& to) {
                const bool restoredIn = from.ends_with(".mcsaver-restore.partial/World");
                if (restoredIn && putBack)
                    return std::make_error_code(std::errc::io_error);
                if (to.ends_with("game/World") && restoredIn != putBack)
                    fs::create_directories(NativePath(to + "/made by the launcher"));
                return std::error_code{};
            };
            SCOPED_TRACE(putBack);
            const RestoreOutcome outcome = w.Restore(launcher);
            EXPECT_EQ(outcome.keptSave, w.Kept());
            EXPECT_THAT(RestoreText(outcome), HasSubstr("未能放回原处，它完整地保存在 " +
                                                        WithSystemSeparators(w.Kept())));
            EXPECT_EQ(TreeOf(w.Kept()), w.before);
            EXPECT_EQ(RecoverInterruptedRestore(w.real).kind, RestoreRecovery::Kind::None);
            EXPECT_EQ(Names(w.Path("game")), std::vector<std::string>{"World"});
            w.Reset();
        }
    }
}

// Putting the old save back after a failure: a rename that went through but could not be
// flushed still put it back.
TEST(WholeSaveRestoreTest, APutBackThatCouldNotBeFlushedIsStillPutBack)
{
    RestoreWorld w;
    w.hooked.beforeRename = [](const std::string& from, const std::string& to) {
        const bool putBack = to.ends_with("game/World") && !from.ends_with("partial/World");
        if (putBack)
            fs::rename(NativePath(from), NativePath(to));
        return putBack || from.ends_with("partial/World")
                   ? std::make_error_code(std::errc::io_error)
                   : std::error_code{};
    };
    EXPECT_TRUE(RestoreText(w.Restore(w.hooked)).ends_with("原来的存档已放回原处"));
    EXPECT_EQ(TreeOf(w.save), w.before);
    w.ExpectNothingLeftOver(false);
}

// The backup loses a file while it is copied, or the save's copy into the data folder on
// another filesystem comes out short without an error (the copier passes over a file that is
// gone when it gets there): the restore fails and the save stays.
TEST(WholeSaveRestoreTest, AShortCopyIsNeverTakenForTheSave)
{
    RestoreWorld w;
    OtherFilesystem apart(w.real);
    HookedServices pruner(w.real), shortCopy(apart);
    pruner.beforeCopyFolder = [](const std::string& from, const std::string&, FolderCopyOptions&) {
        if (from.ends_with("【1】9_5_7/World"))
            fs::remove(NativePath(from + "/level.dat"));
        return FolderCopyResult{};
    };
    shortCopy.beforeCopyFolder = [&](const std::string&, const std::string& into,
                                     FolderCopyOptions& options) {
        if (into.starts_with(w.Path("app")))
            options.leaveOut = [](const std::string& path) { return path.ends_with("/level.dat"); };
        return FolderCopyResult{};
    };
    EXPECT_EQ(RestoreText(w.Restore(shortCopy)), "恢复失败：存档在复制时有变动（存档未改动）");
    EXPECT_EQ(RestoreText(w.Restore(pruner)),
              "恢复失败：备份里的文件在复制时丢失或改动了（存档未改动）");
    EXPECT_EQ(TreeOf(w.save), w.before);
    w.ExpectNothingLeftOver(false);
    // One that is being removed is not restored from at all.
    const auto removal = w.holds.HoldForRemoval(w.backup);
    EXPECT_EQ(RestoreText(w.Restore(w.real)), "恢复失败：这个备份正在被删除（存档未改动）");
}

// What a restore cut short left, found at the next start: a copy in 【恢复前】 that is not the
// save in its place (the game wrote to the save since) is kept.
TEST(WholeSaveRestoreTest, TheNextStartKeepsACopyThatIsNotTheSave)
{
    RestoreWorld w;
    ASSERT_FALSE(WriteRestoreRecord(w.real, {RestoreRecord::Mode::Copy, true, false,
                                             std::string("【恢复前】") + kStamp, w.save}));
    fs::create_directories(NativePath(w.Path("game/.mcsaver-restore.partial/World")));
    WriteTree(w.Kept(), {{"level.dat", "the world an hour ago"}});
    const RestoreRecovery next = RecoverInterruptedRestore(w.real);
    EXPECT_EQ(next.kind, RestoreRecovery::Kind::Untouched);
    EXPECT_EQ(TreeOf(w.save), w.before);
    EXPECT_EQ(TreeOf(w.Kept()), (Tree{{"level.dat", "the world an hour ago"}}));
    EXPECT_EQ(Names(w.Path("game")), std::vector<std::string>{"World"});
    EXPECT_EQ(RecoverInterruptedRestore(w.real).kind, RestoreRecovery::Kind::None);
    // A record that cannot be read stops every restore until the player has looked.
    for (const char* garbage :
         {"copy\t1\t0\t\t/a/w", "move\t1\t0\tname\t/w", "copy\t2\t0\tname\t/w", "copy\t1\t0\t/a/w",
          "partial\t1\t0\tname\t2\tregion/\t/a/w", "partial\t1\t0\tname\tx\t/a/w",
          "partial\t1\t0\tname\t1\t\t/a/w"}) {
        WriteFile(RestoreJournalPath(w.real), garbage);
        EXPECT_EQ(RecoverInterruptedRestore(w.real).kind, RestoreRecovery::Kind::Unreadable);
        EXPECT_THAT(RestoreText(w.Restore(w.real)),
                    HasSubstr(WithSystemSeparators(RestoreJournalPath(w.real))));
        EXPECT_EQ(TreeOf(w.save), w.before);
    }
}

// A whole-save backup never copies a save that a restore is replacing.
TEST(WholeSaveRestoreTest, ABackupWaitsForTheRestoreOfItsSave)
{
    RestoreWorld w;
    std::string during;
    w.hooked.beforeRename = [&](const std::string& from, const std::string&) {
        if (from.ends_with("game/World"))
            during = w.RunToEnd(w.saver.StartWholeSave()).text;
        return std::error_code{};
    };
    ASSERT_FALSE(w.Restore(w.hooked).error);
    EXPECT_EQ(during, "保存失败：存档正在恢复");
    w.Reset();
    // The other way round, the restore waits for the backup and leaves the save as it is when
    // asked to stop meanwhile.
    const auto reading = w.holds.HoldForUse(w.save);
    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(w.Restore(w.real, stop.get_token()).error);
    EXPECT_EQ(TreeOf(w.save), w.before);
}

// A backup that shares its files with an earlier one comes back as copies of them: the game
// writing to the restored save never reaches into a backup. A save whose name starts with a
// dot is restored like any other.
TEST(WholeSaveRestoreTest, ASharedBackupComesBackAsCopies)
{
    World w;
    fs::rename(NativePath(w.Path("game/World")), NativePath(w.Path("game/.world")));
    const std::string level = w.Path("game/.world/level.dat");
    ASSERT_FALSE(w.saver.ChooseSave(level));
    for (int i = 0; i < 2; ++i) {
        w.clock.Advance(1);
        ASSERT_FALSE(w.RunToEnd(w.saver.StartWholeSave()).text.starts_with("保存失败"));
    }
    const std::string backup = w.Path("app/【2】9_0_2");
    const DiskUsage shared = w.real.MeasureDiskUsage({backup});
    ASSERT_LT(shared.unshared, shared.total);
    const Tree backedUp = TreeOf(backup + "/.world");
    WriteFile(level, "played on");
    ASSERT_FALSE(
        WholeSaveRestore(w.files, w.saver.Holds(), backup, level, kStamp).Run({}, {}).error);
    EXPECT_EQ(TreeOf(w.Path("game/.world")), backedUp);
    const DiskUsage restored = w.real.MeasureDiskUsage({w.Path("game/.world")});
    EXPECT_EQ(restored.unshared, restored.total);
    // The backup gone back to is kept for good.
    EXPECT_TRUE(fs::exists(NativePath(backup + "/.pinned")));
}

} // namespace
} // namespace saver::test
