// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupPruning.h"
#include "ForwardingServices.h"
#include "World.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(NativePath(folder)))
        names.push_back(Utf8Path(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

struct PruneCase
{
    const char* name;
    BackupOptions options;
    std::vector<std::string> kept;
};

class Pruning : public testing::TestWithParam<PruneCase>
{
};

// Oldest to newest: 【4】 scheduled, 【2】 manual, 【3】 pinned, 【1】 and 【5】 scheduled, and
// 【6】 just made but dated oldest; beside them the slot, the settings and folders that are
// not the program's.
TEST_P(Pruning, RemovesExactlyTheOldestItMay)
{
    World w;
    const std::vector<std::pair<std::string, std::string>> backups = {
        {"【1】1_0_0", ""}, {"【2】2_0_0", ".manual"}, {"【3】3_0_0", ".pinned"},
        {"【4】4_0_0", ""}, {"【5】5_0_0 (2)", ""},    {"【6】6_0_0", ""}};
    const int ages[] = {20, 40, 30, 50, 10, 60};
    for (std::size_t i = 0; i < backups.size(); ++i) {
        const std::string folder = w.Path("app/" + backups[i].first);
        fs::create_directories(NativePath(folder + "/World"));
        WriteFile(folder + "/World/level.dat", std::string(700'000, 'x'));
        if (!backups[i].second.empty())
            WriteFile(folder + "/" + backups[i].second, "");
        w.real.SetModified(folder, (1000 - ages[i]) * 60'000'000'000LL);
    }
    fs::create_directories(NativePath(w.Path("app/【7】x_0_0")));
    fs::create_directories(NativePath(w.Path("app/【8】100_0_0")));
    fs::create_directories(NativePath(w.Path("app/my copy")));
    EXPECT_FALSE(
        PruneWholeSaveBackups(w.files, GetParam().options, w.Path("app/【6】6_0_0")).error);
    std::vector<std::string> expected = GetParam().kept;
    expected.insert(expected.end(), {"my copy", "saver.ini", "tmp.back", "【6】6_0_0", "【7】x_0_0",
                                     "【8】100_0_0"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(w.Path("app")), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Pruning,
    testing::Values(
        PruneCase{
            "Off", {}, {"【1】1_0_0", "【2】2_0_0", "【3】3_0_0", "【4】4_0_0", "【5】5_0_0 (2)"}},
        PruneCase{"KeepFive",
                  {.keepNewest = 5},
                  {"【1】1_0_0", "【2】2_0_0", "【3】3_0_0", "【5】5_0_0 (2)"}},
        PruneCase{"KeepFourManualToo",
                  {.keepNewest = 4, .pruneManual = true},
                  {"【2】2_0_0", "【3】3_0_0", "【5】5_0_0 (2)"}},
        PruneCase{"KeepOne", {.keepNewest = 1}, {"【2】2_0_0", "【3】3_0_0"}},
        PruneCase{"KeepOneManualToo", {.keepNewest = 1, .pruneManual = true}, {"【3】3_0_0"}},
        PruneCase{"KeepThreeMegabytes",
                  {.keepMegabytes = 3},
                  {"【2】2_0_0", "【3】3_0_0", "【5】5_0_0 (2)"}}),
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
    const PruneOutcome outcome =
        PruneWholeSaveBackups(w.files, {.keepNewest = 1}, w.Path("app/【3】3_0_0"));
    EXPECT_EQ(outcome.error, std::errc::permission_denied);
    EXPECT_EQ(Entries(w.Path("app")).size(), 5u);
    EXPECT_EQ(outcome.failedPath, w.Path("app/【1】1_0_0"));
}

TEST(BackupSpace, OptionsRoundTripAndFallBackOnGarbage)
{
    const BackupOptions most{.intervalMinutes = 1,
                             .kind = BackupKind::Character,
                             .keepNewest = 999,
                             .keepMegabytes = 12345,
                             .pruneManual = true};
    const BackupOptions edges{
        .intervalMinutes = 60, .keepMegabytes = 1'000'000'000, .skipUnchanged = true};
    for (const BackupOptions& set : {most, edges})
        EXPECT_EQ(OptionsFile::Parse(OptionsFile::Format(set)), set);
    for (const char* garbage :
         {"", "interval=0;keep=1000;kind=all", "interval=61;keepMB=-1", "interval=7x;pruneManual=2",
          "keep=3 ;keepMB=1000000001;skipUnchanged=yes", "\xff\xfe;;==;interval"})
        EXPECT_EQ(OptionsFile::Parse(garbage), BackupOptions{}) << garbage;
}

// Says the disk has `free` bytes left.
class SmallDisk final : public ForwardingServices
{
public:
    SmallDisk(FileServices& inner, std::uint64_t free) : ForwardingServices(inner), m_free(free) {}
    std::optional<std::uint64_t> FreeSpace(const std::string&) override { return m_free; }

private:
    std::uint64_t m_free;
};

TEST(BackupSpace, UnchangedSaveIsSkippedWhenAskedAndABackupThatDoesNotFitIsNotStarted)
{
    World w;
    ASSERT_FALSE(w.saver.SetOptions({.intervalMinutes = 1, .skipUnchanged = true}));
    w.saver.chk1_Click(true);
    EXPECT_EQ(w.Ticks(60).at(0).lblShow2, "第1次 保存成功！（新增 3.0 KB）");
    EXPECT_EQ(w.Ticks(60).at(0).lblShow2, "存档未变化，跳过");
    EXPECT_EQ(w.RunToEnd(w.saver.Command4_Click()).lblShow2, "第2次 保存成功！（新增 0 B）");

    SmallDisk small(w.real, 5);
    AutoSaver cramped(small, w.clock);
    cramped.Form_Load();
    WriteFile(w.Level(), "changed");
    const AutoSaver::BackupStart start = cramped.Command4_Click();
    EXPECT_EQ(cramped.FinishWholeSave(*start.job, start.job->Run({}, {})).lblShow2,
              "保存失败：磁盘空间不足（需要 7 B，可用 5 B）");
    EXPECT_EQ(Entries(w.Path("app")).size(), 5u); // the settings, the slot and two backups
}

} // namespace
} // namespace saver::test
