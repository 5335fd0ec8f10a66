// SPDX-License-Identifier: GPL-3.0-or-later
#include "World.h"

#include <gtest/gtest.h>

#include <tuple>

namespace saver::test {
namespace {

TEST(Backups, ScheduledWholeSavesCountOnFromManualOnesWhileSwitchedOn)
{
    World w;
    w.files.ReportChangedFiles(1);
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()),
              (StatusTexts{"9:0:0", "第1次 保存成功（复制时存档有变动）（新增 3.0 KB）"}));
    w.files.ReportChangedFiles(0);
    w.saver.SetAutoBackup(true);
    EXPECT_EQ(w.Ticks(600), (std::vector<StatusTexts>{{"9:4:59", "第2次 保存成功！（新增 0 B）"},
                                                      {"9:9:59", "第3次 保存成功！（新增 0 B）"}}));
    EXPECT_EQ(w.saver.Tick().countdown, "05:00");
    w.saver.SetAutoBackup(false);
    EXPECT_TRUE(w.Ticks(600).empty());
}

TEST(Backups, NeverReplaceOneAnother)
{
    World w;
    std::filesystem::create_directories(NativePath(w.Path("app/【1】9_0_0 (2)")));
    WriteTree(w.Path("app/【1】9_0_0/World"), {{"level.dat", "an earlier run's backup"}});
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text, "第1次 保存成功！（新增 3.0 KB）");
    EXPECT_EQ(w.Read("app/【1】9_0_0/World/level.dat"), "an earlier run's backup");
    EXPECT_EQ(w.Read("app/【1】9_0_0 (3)/World/level.dat"), kGame);
    for (const char* game : {"first", "second", "third"}) {
        WriteFile(w.Level(), game);
        EXPECT_EQ(QuickTextsOf(QuickSlot(w.files).Restore(w.Level(), {9, 0, 0})).message, "");
    }
    EXPECT_EQ(w.Read("game/World/level.dat"), kSlot);
    EXPECT_EQ(w.Read("app/【刷物】leveldat/09_00_00level.dat"), "first");
    EXPECT_EQ(w.Read("app/【刷物】leveldat/09_00_00level (2).dat"), "second");
    EXPECT_EQ(w.Read("app/【刷物】leveldat/09_00_00level (3).dat"), "third");
}

// Below the save or as the save folder itself, the program never copies what it keeps.
TEST(Backups, ProgramInsideTheSaveIsLeftOutOfItsBackups)
{
    for (const std::string app : {"game/World/saver", "game/World"}) {
        World w(app);
        WriteFile(w.Path(app + "/options.ini.saving"), "");
        EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text, "第1次 保存成功！（新增 3.0 KB）");
        w.clock.Advance(1);
        EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text, "第2次 保存成功！（新增 0 B）");
        // The five there were, and five in each backup: two of the save's, the marks and
        // the manifest.
        EXPECT_EQ(w.Files().size(), 15u) << app;
        EXPECT_EQ(w.Read(app + "/【2】9_0_1/World/region/r.0.0.mca"), kRegion);
    }
}

// Chosen paths that lead to no save: every action says why and nothing is lost.
TEST(Backups, UnusableChoicesAreReportedByEveryAction)
{
    // The choice below the root, or a bare name; what a whole save and a restore say.
    const std::tuple<std::string, const char*, const char*> cases[]{
        {"game/World/gone.dat", "第1次 保存成功！（新增 3.0 KB）", ""},
        {"game/World", "第1次 保存成功！（新增 3.0 KB）",
         "覆盖失败：所选路径是文件夹（游戏存档未改动）"},
        {"game/none/level.dat", "保存失败：找不到存档", "覆盖失败：找不到存档（游戏存档未改动）"},
        {"level.dat", "请先选择level.dat的路径", "覆盖失败：找不到存档（游戏存档未改动）"}};
    for (const auto& [name, wholeSave, restore] : cases) {
        SCOPED_TRACE(name);
        World w;
        const std::string chosen = name.find('/') == std::string::npos ? name : w.Path(name);
        ASSERT_FALSE(w.saver.ChooseSave(chosen));
        EXPECT_EQ(QuickTextsOf(QuickSlot(w.files).QuickSave(chosen)).message,
                  "快速保存失败：找不到存档");
        EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text, wholeSave);
        EXPECT_EQ(w.Do("CharacterBackup", [] {}), "保存失败：找不到存档");
        EXPECT_FALSE(std::filesystem::exists(NativePath(w.Path("app/【存档】leveldat"))));
        EXPECT_EQ(QuickTextsOf(QuickSlot(w.files).Restore(chosen, {9, 0, 0})).message, restore);
        EXPECT_EQ(w.Read("app/tmp.back"), kSlot);
        EXPECT_EQ(w.Read("game/World/level.dat"), kGame);
    }
}

} // namespace
} // namespace saver::test
