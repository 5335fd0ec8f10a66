// SPDX-License-Identifier: GPL-3.0-or-later
#include "ForwardingServices.h"
#include "QuickSlot.h"
#include "World.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace saver::test {
namespace {

namespace fs = std::filesystem;
using Outcome = QuickResult::Outcome;

TEST(HonestReport, RestoreThroughALinkedLevelDatReachesTheGameFile)
{
    World w;
    fs::create_directories(w.Path("game/Linked"));
    const std::string link = w.Path("game/Linked/level.dat");
    fs::create_symlink(w.Level(), link);
    QuickSlot slot(w.files);
    ASSERT_EQ(slot.QuickSave(link).outcome, Outcome::Done);
    WriteFile(w.Level(), "changed");
    ASSERT_EQ(slot.Restore(link, {9, 5, 7}).outcome, Outcome::Done);
    EXPECT_EQ(ReadFile(w.Level()), kGame);
    EXPECT_TRUE(fs::is_symlink(link));
}

TEST(HonestReport, QuickSaveNamesWhatIsInTheWay)
{
    World w;
    QuickSlot slot(w.files);
    const std::string back = w.Path("app/tmp.back");
    fs::remove(NativePath(back));
    fs::create_directory(NativePath(back));
    EXPECT_EQ(slot.QuickSave(w.Level()).message, "快速保存失败：" + back + " 是一个文件夹");
    EXPECT_EQ(slot.Restore(w.Level(), {}).message,
              "覆盖失败：" + back + " 是一个文件夹（游戏存档未改动）");
    fs::remove_all(NativePath(w.Path("app")));
    EXPECT_EQ(slot.QuickSave(w.Level()).message,
              "快速保存失败：找不到程序的数据文件夹 " + w.Path("app"));
}

// Appends to the source of the first `changes` copies while they are read, as a game that
// rewrites level.dat in place would.
class ChangingSource final : public ForwardingServices
{
public:
    ChangingSource(FileServices& inner, int changes) : ForwardingServices(inner), m_left(changes) {}
    std::error_code CopyFile(const std::string& from, const std::string& to) override
    {
        const std::error_code error = m_inner.CopyFile(from, to);
        if (m_left-- > 0)
            WriteFile(from, ReadFile(from) + "+");
        return error;
    }

private:
    int m_left;
};

TEST(HonestReport, QuickSaveStoresOnlyASteadyCopy)
{
    World w;
    ChangingSource twice(w.real, 2);
    EXPECT_EQ(QuickSlot(twice).QuickSave(w.Level()).outcome, Outcome::Done);
    EXPECT_EQ(w.Read("app/tmp.back"), kGame + "++");
    ChangingSource always(w.real, 1000);
    EXPECT_EQ(QuickSlot(always).QuickSave(w.Level()).message,
              "快速保存失败：存档正在被写入（原有的快速存档未改动）");
    EXPECT_EQ(w.Read("app/tmp.back"), kGame + "++");
    EXPECT_FALSE(fs::exists(NativePath(w.Path("app/tmp.back.saving"))));
}

TEST(HonestReport, PartialFolderThatCannotBeRemovedIsNamed)
{
    World w;
    fs::create_directories(NativePath(w.Path("app/.wholesave.partial/Old")));
    w.files.FailAt(1, std::errc::permission_denied);
    EXPECT_EQ(w.RunToEnd(w.saver.Command4_Click()).lblShow2,
              "保存失败：无法删除 " + w.Path("app/.wholesave.partial") + "（没有权限）");
}

TEST(HonestReport, ScheduledBackupDueDuringAnotherIsMadeRightAfter)
{
    World w;
    w.saver.HScroll2_Change(1);
    w.saver.chk1_Click(true);
    const AutoSaver::BackupStart manual = w.saver.Command4_Click();
    for (int second = 0; second < 60; ++second) {
        w.clock.Advance(1);
        const AutoSaver::BackupStart tick = w.saver.Timer2_Timer().backup;
        EXPECT_FALSE(tick.job || tick.status) << "second " << second;
    }
    EXPECT_FALSE(w.saver.TakeWaitingBackup().job);
    EXPECT_THAT(w.RunToEnd(manual).lblShow2, testing::StartsWith("第1次 保存成功！"));
    const AutoSaver::BackupStart waiting = w.saver.TakeWaitingBackup();
    ASSERT_TRUE(waiting.job);
    EXPECT_THAT(w.RunToEnd(waiting).lblShow2, testing::StartsWith("第2次 保存成功！"));
    EXPECT_FALSE(w.saver.TakeWaitingBackup().job);
}

} // namespace
} // namespace saver::test
