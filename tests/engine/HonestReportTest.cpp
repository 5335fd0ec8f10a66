// SPDX-License-Identifier: GPL-3.0-or-later
#include "PathSeparators.h"
#include "World.h"
#include "WriteRefused.h"

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
    fs::remove(NativePath(w.Path("app/tmp.back")));
    fs::create_directory(NativePath(w.Path("app/tmp.back")));
    const std::string back = WithSystemSeparators(w.Path("app/tmp.back"));
    EXPECT_EQ(QuickTextsOf(slot.QuickSave(w.Level())).message,
              "快速保存失败：" + back + " 是一个文件夹");
    EXPECT_EQ(QuickTextsOf(slot.Restore(w.Level(), {})).message,
              "覆盖失败：" + back + " 是一个文件夹（游戏存档未改动）");
    fs::remove_all(NativePath(w.Path("app")));
    EXPECT_EQ(QuickTextsOf(slot.QuickSave(w.Level())).message,
              "快速保存失败：找不到程序的数据文件夹 " + WithSystemSeparators(w.Path("app")));
}

TEST(HonestReport, QuickSaveStoresOnlyASteadyCopy)
{
    World w;
    // Appends to level.dat as each of the first `changes` copies of it is made, as a game that
    // rewrites it in place would.
    HookedServices twice(w.real), always(w.real);
    for (auto [game, changes] : {std::pair{&twice, 2}, {&always, 1000}})
        game->beforeCopyFile = [left = changes](const std::string& from, auto&) mutable {
            if (left-- > 0)
                WriteFile(from, ReadFile(from) + "+");
            return std::error_code{};
        };
    EXPECT_EQ(QuickSlot(twice).QuickSave(w.Level()).outcome, Outcome::Done);
    EXPECT_EQ(QuickTextsOf(QuickSlot(always).QuickSave(w.Level())).message,
              "快速保存失败：存档正在被写入（原有的快速存档未改动）");
    EXPECT_EQ(w.Read("app/tmp.back"), kGame + "++");
    EXPECT_FALSE(fs::exists(NativePath(w.Path("app/tmp.back.saving"))));
}

// A whole save that fails names where: a folder left over that it cannot remove, or a file of
// the save it cannot read, as Windows tells of one.
TEST(HonestReport, AWholeSaveNamesWhatStopsIt)
{
    World w;
    fs::create_directories(NativePath(w.Path("app/.wholesave.partial/Old")));
    w.files.FailAt(1, std::errc::permission_denied);
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text,
              "保存失败：无法删除 " + w.Path("app/.wholesave.partial") + "（没有权限）");
    w.hooked.beforeCopyFolder = [](const std::string& from, auto&, auto&) {
        return FolderCopyResult{std::make_error_code(std::errc::permission_denied), 0,
                                from + "/region/r.0.0.mca"};
    };
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text,
              "保存失败：无法读取 " + SystemPath(w.Path("game/World/region/r.0.0.mca")) +
                  "（没有权限）");
    EXPECT_FALSE(fs::exists(NativePath(w.Path("app/.wholesave.partial"))));
}

// Windows refuses writes into a folder that Controlled Folder Access or an antivirus guards: the
// player is told which folder and what may stand in the way, never a bare 没有权限.
TEST(HonestReport, AWriteTheSystemRefusedNamesTheFolderAndWhy)
{
    const std::string why = "（可能是“受控文件夹访问”或杀毒软件拦截了本程序";
    for (const char* action : {"WholeSave", "CharacterBackup", "QuickSave"}) {
        World w;
        const std::string told = w.Do(action, [&] { w.files.FailAt(1, WriteRefused(), true); });
        EXPECT_THAT(told,
                    testing::HasSubstr("失败：Windows 拒绝写入 " + SystemPath(w.Path("app")) + why))
            << action;
    }
    EXPECT_EQ(FailureReason(std::make_error_code(std::errc::permission_denied), "/backups"),
              "没有权限");
}

TEST(HonestReport, ScheduledBackupDueDuringAnotherIsMadeRightAfter)
{
    World w;
    w.saver.SetInterval(1);
    w.saver.SetAutoBackup(true);
    const AutoSaver::BackupStart manual = w.saver.StartWholeSave();
    EXPECT_TRUE(w.Ticks(60).empty());
    EXPECT_FALSE(w.saver.TakeWaitingBackup());
    EXPECT_THAT(w.RunToEnd(manual).text, testing::StartsWith("第1次 保存成功！"));
    const auto waiting = w.saver.TakeWaitingBackup();
    ASSERT_TRUE(waiting && waiting->job);
    EXPECT_THAT(w.RunToEnd(*waiting).text, testing::StartsWith("第2次 保存成功！"));
    EXPECT_FALSE(w.saver.TakeWaitingBackup());
    // Switched off while a backup runs, the one that fell due meanwhile is not made.
    const AutoSaver::BackupStart another = w.saver.StartWholeSave();
    w.clock.Advance(60);
    EXPECT_FALSE(w.saver.Tick().backup);
    w.saver.SetAutoBackup(false);
    w.RunToEnd(another);
    EXPECT_FALSE(w.saver.TakeWaitingBackup());
}

} // namespace
} // namespace saver::test
