// SPDX-License-Identifier: GPL-3.0-or-later
#include "World.h"

#include "BackupCatalogue.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

// Ticks on from second `from` of the schedule until a scheduled backup falls due, and runs
// it; the second it fell due on, or 0 when none did within twenty minutes.
int NextScheduled(World& w, int from)
{
    for (int second = from + 1; second <= from + 1200; ++second) {
        w.clock.Advance(1);
        if (const auto backup = w.saver.Tick().backup) {
            w.RunToEnd(*backup);
            return second;
        }
    }
    return 0;
}

// The countdown of five minutes is switched on at 9:00:00 and would back up at second 299.
TEST(WorldClosed, StandsInForTheScheduledBackupOnlyWhenThatIsAMinuteAway)
{
    const struct
    {
        int closedAt;
        bool running; // a manual backup is under way when the world closes
        int nextScheduled;
    } cases[] = {
        {200, false, 299},       {239, false, 299}, {240, false, 240 + 299},
        {298, false, 298 + 299}, {240, true, 299},
    };
    for (const auto& c : cases) {
        World w;
        w.saver.SetAutoBackup(true);
        ASSERT_TRUE(w.Ticks(c.closedAt).empty());
        std::optional<AutoSaver::BackupStart> manual;
        if (c.running)
            manual = w.saver.StartWholeSave();
        const std::optional<AutoSaver::BackupStart> closed = w.saver.WorldClosed();
        EXPECT_EQ(closed.has_value(), !c.running) << c.closedAt;
        EXPECT_TRUE(w.RunToEnd(closed ? *closed : *manual).text.starts_with("第1次 保存成功"));
        EXPECT_EQ(NextScheduled(w, c.closedAt), c.nextScheduled) << c.closedAt << c.running;
        std::vector<WholeSaveBackup> made = ListWholeSaveBackups(w.files);
        ASSERT_EQ(made.size(), 2u);
        // Made as a scheduled one is, for the pruning rules: not manual.
        EXPECT_EQ(made[0].worldClosed, !c.running);
        EXPECT_EQ(made[0].manual, c.running);
        EXPECT_FALSE(made[1].worldClosed || made[1].manual);
    }
}

TEST(WorldClosed, FollowsThePlayersRules)
{
    const struct
    {
        BackupOptions options;
        const char* shown; // "" for no backup at all
    } cases[] = {
        {{}, "第2次 保存成功！（新增 0 B）"},
        {{.skipUnchanged = true}, "存档未变化，跳过"},
        {{.backupOnWorldClose = false}, ""},
        {{.kind = BackupKind::Character}, "第2次 保存成功！（新增 0 B）"},
    };
    for (const auto& c : cases) {
        World w;
        w.saver.SetOptions(c.options);
        ASSERT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text, "第1次 保存成功！（新增 3.0 KB）");
        w.clock.Advance(1);
        const std::optional<AutoSaver::BackupStart> closed = w.saver.WorldClosed();
        EXPECT_EQ(closed ? w.RunToEnd(*closed).text : "", c.shown) << c.shown;
    }
}

// Older files have no word on it: on, as for a new player.
TEST(WorldClosed, SwitchIsKeptInTheOptionsFile)
{
    EXPECT_TRUE(OptionsFile::Parse("interval=7;kind=whole;keep=0;keepMB=0;pruneManual=1;"
                                   "skipUnchanged=1")
                    .backupOnWorldClose);
    EXPECT_TRUE(OptionsFile::Parse("worldClosed=off").backupOnWorldClose);
    for (const bool on : {false, true}) {
        World w;
        const BackupOptions set{.intervalMinutes = 7, .backupOnWorldClose = on};
        ASSERT_FALSE(w.saver.SetOptions(set));
        AutoSaver later(w.files, w.clock);
        later.Load();
        EXPECT_EQ(later.Options(), set);
    }
}

} // namespace
} // namespace saver::test
