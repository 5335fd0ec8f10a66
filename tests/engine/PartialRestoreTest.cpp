// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialRestore.h"
#include "Leftovers.h"
#include "PathSeparators.h"
#include "RestoreRecovery.h"
#include "StatusTexts.h"
#include "World.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

// A save with a character file and region files, and a whole-save backup of it from before;
// the player takes back the character file, the region folder (one file of it new) and the
// Nether, which the save does not have yet.
struct PartialWorld : BackedUpWorld
{
    PartialWorld()
    {
        WriteTree(save, {{"playerdata/p1.dat", "p1 now"}, {"playerdata/p2.dat", "p2 now"}});
        WriteTree(backup + "/World", {{"level.dat", "level then"},
                                      {"playerdata/p1.dat", "p1 then"},
                                      {"playerdata/p2.dat", "p2 then"},
                                      {"region/r.0.0.mca", "region then"},
                                      {"region/r.1.0.mca", "new region"},
                                      {"DIM-1/region/r.0.0.mca", "nether"}});
        before = TreeOf(save);
        // What the backup has of what was chosen, beside the rest of the save.
        restored = TreeOf(backup + "/World");
        restored["level.dat"] = kGame, restored["playerdata/p2.dat"] = "p2 now";
        replaced = {{"playerdata/p1.dat", "p1 now"}, {"region/r.0.0.mca", kRegion}};
    }
    PartialRestoreOutcome Restore(FileServices& through,
                                  std::vector<std::string> chosen = {"playerdata/p1.dat", "region",
                                                                     "DIM-1"})
    {
        return PartialRestore(through, holds, backup, Level(), kStamp, std::move(chosen))
            .Run({}, {});
    }
    Tree restored, replaced;
};

// Cut short at any step, by a failure or a kill (every change from then on fails), on one
// filesystem or across two: every file of the save is whole in it or where the player is told,
// and after the next start the save is as it was or restored, with nothing else left.
TEST(PartialRestoreTest, CutShortAtAnyStepEveryFileIsWholeWhereTheProgramSays)
{
    PartialWorld w;
    OtherFilesystem apart(w.real);
    FaultyServices faultyApart(apart);
    for (FaultyServices* faulty : {&w.files, &faultyApart}) {
        for (const bool killed : {false, true}) {
            for (int n = 1;; ++n) {
                faulty->FailAt(n, std::errc::io_error, killed);
                const PartialRestoreOutcome outcome = w.Restore(*faulty);
                const bool last = faulty->Operations() < n;
                const std::string text = PartialRestoreText(outcome);
                SCOPED_TRACE("operation " + std::to_string(n) + (killed ? " killed: " : ": ") +
                             text);
                const Tree now = TreeOf(w.save);
                const bool restored = !outcome.restore.error;
                if (restored) {
                    EXPECT_EQ(now, w.restored);
                    EXPECT_EQ(TreeOf(w.Kept()), w.replaced);
                    // Which, put back as a whole save, would take the rest of the save away.
                    EXPECT_EQ(
                        WholeSaveRestore(w.real, w.holds, FolderOf(w.Kept()), w.Level(), kStamp)
                            .Problem(),
                        RestoreOutcome::Cause::OnlySomeFiles);
                    const std::string told = "已从 【1】9_5_7 恢复存档 World 的 4 个文件。"
                                             "被替换的文件已移到 " +
                                             WithSystemSeparators(w.Kept());
                    EXPECT_TRUE(last ? text == told : text.starts_with(told));
                } else if (outcome.restore.recovery.kind != RestoreRecovery::Kind::KeptAside) {
                    EXPECT_TRUE(text.ends_with("（存档未改动）") ||
                                text.ends_with("已全部撤销，被替换的文件已放回原处"));
                    EXPECT_EQ(now, w.before);
                } else {
                    // Not all undone: each file the restore replaced is whole in the save or in
                    // the folder named.
                    const std::string& kept = outcome.restore.keptSave;
                    EXPECT_TRUE(text.ends_with(kept.empty() ? "），下次启动时会再试"
                                                            : "没能放回的原文件在 " +
                                                                  WithSystemSeparators(kept) +
                                                                  "，下次启动时会再试"));
                    const Tree aside = TreeOf(kept);
                    for (const auto& file : w.before)
                        EXPECT_TRUE(std::ranges::count(now, file) ||
                                    std::ranges::count(aside, file))
                            << file.first;
                }
                RemoveLeftovers(w.real);
                const RestoreRecovery next = RecoverInterruptedRestore(w.real);
                SCOPED_TRACE(RecoveryText(next));
                if (next.kind == RestoreRecovery::Kind::PutBack) {
                    EXPECT_TRUE(RecoveryText(next).ends_with("被替换的文件已放回 " +
                                                             WithSystemSeparators(w.save)));
                }
                EXPECT_EQ(TreeOf(w.save), restored ? w.restored : w.before);
                w.ExpectNothingLeftOver(restored);
                w.Reset();
                if (last)
                    break;
            }
        }
    }
}

// Chosen files that are gone from the backup before the restore starts, or go from the backup
// or the save while it runs, are named, and the save is left as it was.
TEST(PartialRestoreTest, ChosenFilesThatWentAreNamedAndAllIsUndone)
{
    PartialWorld w;
    // What the player chose, what goes from the backup or the save meanwhile, and what is told.
    const std::tuple<std::vector<std::string>, std::vector<std::string>, std::string> cases[] = {
        {{"playerdata/p1.dat", "playerdata/p3.dat", "DIM-1"},
         {},
         "部分恢复失败：备份里已没有 playerdata/p3.dat（存档未改动）"},
        {{"playerdata", "region"},
         {w.backup + "/World/region/r.1.0.mca", w.backup + "/World/playerdata/p2.dat"},
         "部分恢复失败：备份里已没有 playerdata/p2.dat、region/r.1.0.mca。"
         "已全部撤销，被替换的文件已放回原处"},
        {{"region", "playerdata/p2.dat"},
         {w.save + "/region/r.0.0.mca"},
         "部分恢复失败：存档里已没有 region/r.0.0.mca。已全部撤销，被替换的文件已放回原处"},
    };
    for (const auto& [chosen, removed, told] : cases) {
        // Removes them before the first file is copied in.
        w.hooked.beforeCopyFile = [left = removed](auto&, auto&) mutable {
            for (const std::string& file : std::exchange(left, {}))
                fs::remove(NativePath(file));
            return std::error_code{};
        };
        SCOPED_TRACE(told);
        EXPECT_EQ(PartialRestoreText(w.Restore(w.hooked, chosen)), WithSystemSeparators(told));
        Tree expected = w.before;
        for (const std::string& file : removed)
            expected.erase(file.substr(w.save.size() + 1));
        EXPECT_EQ(TreeOf(w.save), expected);
        w.ExpectNothingLeftOver(false);
        w.Reset();
        WriteTree(w.backup + "/World",
                  {{"playerdata/p2.dat", "p2 then"}, {"region/r.1.0.mca", "new region"}});
    }
}

} // namespace
} // namespace saver::test
