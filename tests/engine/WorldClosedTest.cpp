// SPDX-License-Identifier: GPL-3.0-or-later
#include "World.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

// A manual backup, then the five-minute countdown from 9:00:00, due at its second 299; the
// world closes at `closedAt`, the manual backup finished or still `running`. What the backup on
// closing shows ("" for none), and when the countdown's next one falls due.
TEST(WorldClosed, StandsInForAScheduledBackupDueWithinAMinute)
{
    const std::tuple<int, bool, BackupOptions, std::string, int> cases[] = {
        {239, false, {}, "第2次 保存成功！（新增 0 B）", 299},
        {240, false, {}, "第2次 保存成功！（新增 0 B）", 240 + 299},
        {240, true, {}, "", 299},
        {240, false, {.skipUnchanged = true}, "存档未变化，跳过", 240 + 299},
        {240, false, {.backupOnWorldClose = false}, "", 299},
    };
    for (const auto& [closedAt, running, options, shown, next] : cases) {
        World w;
        w.saver.SetOptions(options);
        const AutoSaver::BackupStart manual = w.saver.StartWholeSave();
        if (!running)
            w.RunToEnd(manual);
        w.saver.SetAutoBackup(true);
        w.Ticks(closedAt);
        const std::optional<AutoSaver::BackupStart> closed = w.saver.WorldClosed();
        EXPECT_EQ(closed ? w.RunToEnd(*closed).text : "", shown) << closedAt << shown;
        if (running)
            w.RunToEnd(manual);
        int due = closedAt + 1;
        for (w.clock.Advance(1); !w.saver.Tick().backup; w.clock.Advance(1))
            ++due;
        EXPECT_EQ(due, next) << closedAt << shown;
    }
}

} // namespace
} // namespace saver::test
