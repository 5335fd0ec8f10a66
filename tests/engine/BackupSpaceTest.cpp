// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupPruning.h"
#include "PathSeparators.h"
#include "World.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

struct PruneCase
{
    const char* name;
    BackupOptions options;
    std::vector<std::string> kept;
    const char* held = "";
};

// Every backup of the program but the one just made.
const std::vector<std::string> kAll = {"【1】1_0_0", "【2】2_0_0",     "【3】3_0_0",
                                       "【4】4_0_0", "【5】5_0_0 (2)", "【9】9_0_0"};

using Pruning = testing::TestWithParam<PruneCase>;

// In the order they were made: 【1】 scheduled, though dated 8 hours ahead by a clock that was
// wrong then, 【2】 manual, 【3】 pinned, 【4】 and 【5】 scheduled, and 【6】 just made but dated
// oldest; all of the save World. 【9】, of another save, was made before backups were numbered.
// Beside them the slot, the settings, folders that are not the program's and a link named like
// a backup that leads to the game's save.
TEST_P(Pruning, RemovesExactlyTheOldestItMay)
{
    World w;
    const std::tuple<std::string, std::string, std::string, int> backups[] = {
        {"【1】1_0_0", "World", "", -480},      {"【2】2_0_0", "World", ".manual", 40},
        {"【3】3_0_0", "World", ".pinned", 30}, {"【4】4_0_0", "World", "", 20},
        {"【5】5_0_0 (2)", "World", "", 10},    {"【6】6_0_0", "World", "", 60},
        {"【9】9_0_0", "Other", "", 70}};
    for (std::size_t i = 0; i < std::size(backups); ++i) {
        const auto& [name, save, mark, age] = backups[i];
        const std::string folder = w.Path("app/" + name);
        const std::int64_t when = (1000 - age) * 60'000'000'000LL;
        WriteTree(folder, {{save + "/level.dat", std::string(600'000, 'x')}});
        if (!mark.empty())
            WriteFile(folder + "/" + mark, "");
        if (save == "World")
            WriteFile(folder + "/.made", MadeMarkText(i + 1, when) + "\r\n");
        w.real.SetModified(folder, when);
    }
    for (const char* other : {"【7】x_0_0", "【8】100_0_0", "my copy"})
        fs::create_directories(NativePath(w.Path("app/") + other));
    // Where links cannot be made (Wine), there is none.
    std::error_code noLinks;
    fs::create_directory_symlink(NativePath(w.Path("game/World")),
                                 NativePath(w.Path("app/【10】10_0_0")), noLinks);
    BackupHolds holds;
    const auto held = holds.HoldForUse(w.Path(std::string("app/") + GetParam().held));
    const PruneOutcome outcome =
        PruneWholeSaveBackups(w.files, holds, GetParam().options, w.Path("app/【6】6_0_0"));
    EXPECT_FALSE(outcome.error);
    std::vector<std::string> expected = GetParam().kept;
    expected.insert(expected.end(), {"my copy", "saver.ini", "tmp.back", "【6】6_0_0", "【7】x_0_0",
                                     "【8】100_0_0"});
    if (!noLinks)
        expected.push_back("【10】10_0_0");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(w.Path("app")), expected);
    EXPECT_EQ(w.Read("game/World/level.dat"), kGame);
    if (GetParam().options.Prunes() && !noLinks) {
        EXPECT_EQ(outcome.skippedLinks, std::vector<std::string>{w.Path("app/【10】10_0_0")});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Pruning,
    testing::Values(
        PruneCase{"Off", {}, kAll},
        PruneCase{"KeepFiveOfEachSave",
                  {.keepNewest = 5},
                  {"【2】2_0_0", "【3】3_0_0", "【4】4_0_0", "【5】5_0_0 (2)", "【9】9_0_0"}},
        PruneCase{"KeepOne", {.keepNewest = 1}, {"【2】2_0_0", "【3】3_0_0", "【9】9_0_0"}},
        PruneCase{"KeepOneManualToo",
                  {.keepNewest = 1, .pruneManual = true},
                  {"【3】3_0_0", "【9】9_0_0"}},
        PruneCase{"KeepOneWhileFourIsRestored",
                  {.keepNewest = 1},
                  {"【2】2_0_0", "【3】3_0_0", "【4】4_0_0", "【9】9_0_0"},
                  "【4】4_0_0"},
        PruneCase{"KeepTwoMegabytes", {.keepMegabytes = 2}, {"【2】2_0_0", "【3】3_0_0"}},
        PruneCase{"KeepAHundredMegabytes", {.keepMegabytes = 100}, kAll}),
    [](const auto& tested) { return tested.param.name; });

// "（新增 12.4 MB）": the unit that fits, to a tenth.
TEST(BackupSpace, SizesReadAsTheStatusShowsThem)
{
    const std::pair<std::uint64_t, const char*> sizes[]{
        {0, "0 B"},          {999, "999 B"},          {1000, "1.0 KB"},
        {12'449, "12.4 KB"}, {12'450, "12.5 KB"},     {999'949, "999.9 KB"},
        {999'950, "1.0 MB"}, {12'400'000, "12.4 MB"}, {1'000'000'000'000'000, "1000.0 TB"}};
    for (const auto& [bytes, text] : sizes)
        EXPECT_EQ(SizeText(bytes), text) << bytes;
}

TEST(BackupSpace, FailedRemovalIsReportedAndStopsThePruning)
{
    World w;
    for (const char* name : {"【1】1_0_0/World", "【2】2_0_0/World", "【3】3_0_0/World"})
        fs::create_directories(NativePath(w.Path("app/") + name));
    w.files.FailAt(1, std::errc::permission_denied, true);
    BackupHolds holds;
    const PruneOutcome outcome =
        PruneWholeSaveBackups(w.files, holds, {.keepNewest = 1}, w.Path("app/【3】3_0_0"));
    EXPECT_EQ(outcome.error, std::errc::permission_denied);
    EXPECT_EQ(Names(w.Path("app")).size(), 5u);
    EXPECT_EQ(outcome.failedPath, w.Path("app/【1】1_0_0"));
    // The backup made is not taken back for it, and a link passed over says what it is.
    BackupOutcome made;
    made.number = 3;
    made.copy.pruned = outcome;
    made.copy.pruned.skippedLinks = {"L"};
    EXPECT_EQ(StatusOf(made).text, "第3次 保存成功！（新增 0 B）；旧备份删除失败：" +
                                       WithSystemSeparators(outcome.failedPath) +
                                       "（没有权限）；L 是符号链接，不是备份，未删除");
}

TEST(BackupSpace, OptionsRoundTripAndFallBackOnGarbage)
{
    const BackupOptions most{.intervalMinutes = 1,
                             .kind = BackupKind::Character,
                             .keepNewest = 999,
                             .keepMegabytes = 12345,
                             .pruneManual = true,
                             .backupOnWorldClose = false};
    const BackupOptions edges{
        .intervalMinutes = 60, .keepMegabytes = 1'000'000'000, .skipUnchanged = true};
    // The texts the player types for restic may hold the line's own separators.
    const BackupOptions offsite{.offsite = {.scope = OffsiteScope::ManualAndPinned,
                                            .repository = "sftp:me@nas:/备份;keep=1%20 \"x\"\r\n",
                                            .password = OffsiteOptions::Password::Command,
                                            .passwordSource = "pass show restic;%"}};
    // What lands in the file: the text as typed but for %, the separators and the line ends.
    EXPECT_NE(OptionsFile::Format(offsite).find("sftp:me@nas:/备份%3Bkeep=1%2520 \"x\"%0D%0A"),
              std::string::npos);
    for (const BackupOptions& set : {most, edges, offsite}) {
        EXPECT_EQ(OptionsFile::Parse(OptionsFile::Format(set)), set);
        EXPECT_EQ(OptionsFile::Format(set).find_first_of("\r\n"), std::string::npos); // one line
    }
    for (const char* garbage :
         {"", "interval=0;keep=1000;kind=all", "interval=61;keepMB=-1", "interval=7x;pruneManual=2",
          "keep=3 ;keepMB=1000000001;skipUnchanged=yes;offsite=sometimes", "\xff\xfe;;==;interval"})
        EXPECT_EQ(OptionsFile::Parse(garbage), BackupOptions{}) << garbage;
    // Older files have no word on a backup on closing the world: on, as for a new player.
    EXPECT_TRUE(OptionsFile::Parse("interval=7;skipUnchanged=1").backupOnWorldClose);
}

TEST(BackupSpace, UnchangedSaveIsSkippedWhenAskedAndABackupThatDoesNotFitIsNotStarted)
{
    World w;
    ASSERT_FALSE(w.saver.SetOptions({.intervalMinutes = 1, .skipUnchanged = true}));
    w.saver.SetAutoBackup(true);
    EXPECT_EQ(w.Ticks(60).at(0).text, "第1次 保存成功！（新增 3.0 KB）");
    EXPECT_EQ(w.Ticks(60).at(0).text, "存档未变化，跳过");
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text, "第2次 保存成功！（新增 0 B）");
    w.hooked.freeSpace = 5;
    WriteFile(w.Level(), "changed");
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text,
              "保存失败：磁盘空间不足（需要 7 B，可用 5 B）");
    EXPECT_EQ(Names(w.Path("app")).size(), 5u); // the settings, the slot and two backups
}

// A backup's mark is read whole or not at all: a half-read one would put the backup in the
// wrong place among the others. Only a folder of its own in a backup is its save.
TEST(BackupSpace, AMarkIsReadWholeOrNotAtAll)
{
    World w;
    const std::string folder = w.Path("app/【1】1_0_0");
    fs::create_directories(NativePath(folder + "/World"));
    const std::pair<const char*, std::uint64_t> marks[] = {
        {"7 1000", 7}, {" 1000", 0}, {"7 ", 0}, {"7x 1000", 0}, {"7 1000x", 0}, {"0 1000", 0}};
    for (const auto& [text, sequence] : marks) {
        WriteFile(folder + "/.made", std::string(text) + "\r\n");
        const std::vector<WholeSaveBackup> listed = ListWholeSaveBackups(w.files);
        ASSERT_EQ(listed.size(), 1u);
        EXPECT_EQ(listed[0].sequence, sequence) << text;
        EXPECT_EQ(listed[0].saveName, "World");
    }
    fs::remove_all(NativePath(folder + "/World"));
    std::error_code noLinks;
    fs::create_directory_symlink(NativePath(w.Path("game/World")), NativePath(folder + "/World"),
                                 noLinks);
    EXPECT_EQ(ListWholeSaveBackups(w.files).at(0).saveName, "");
}

} // namespace
} // namespace saver::test
