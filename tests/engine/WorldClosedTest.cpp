// SPDX-License-Identifier: GPL-3.0-or-later
#include "World.h"

#include <gtest/gtest.h>

namespace saver::test {
namespace {

// A manual backup, then the five-minute countdown from 9:00:00, due at its second 299; the
// world closes at `closedAt`. What the backup on closing shows, and when the countdown's next
// one falls due.
TEST(WorldClosed, StandsInForAScheduledBackupDueWithinAMinute)
{
    const struct
    {
        int closedAt;
        bool running; // the manual backup is not finished yet
        BackupOptions options;
        std::string shown; // "" for none
        int next;
    } cases[] = {
        {239, false, {}, "第2次 保存成功！（新增 0 B）", 299},
        {240, false, {}, "第2次 保存成功！（新增 0 B）", 240 + 299},
        {240, true, {}, "", 299},
        {240, false, {.skipUnchanged = true}, "存档未变化，跳过", 240 + 299},
        {240, false, {.backupOnWorldClose = false}, "", 299},
    };
    for (const auto& c : cases) {
        World w;
        w.saver.SetOptions(c.options);
        const AutoSaver::BackupStart manual = w.saver.StartWholeSave();
        if (!c.running)
            w.RunToEnd(manual);
        w.saver.SetAutoBackup(true);
        w.Ticks(c.closedAt);
        const std::optional<AutoSaver::BackupStart> closed = w.saver.WorldClosed();
        EXPECT_EQ(closed ? w.RunToEnd(*closed).text : "", c.shown) << c.closedAt << c.shown;
        if (c.running)
            w.RunToEnd(manual);
        int next = c.closedAt + 1;
        for (w.clock.Advance(1); !w.saver.Tick().backup; w.clock.Advance(1))
            ++next;
        EXPECT_EQ(next, c.next) << c.closedAt << c.shown;
    }
}

} // namespace
} // namespace saver::test
