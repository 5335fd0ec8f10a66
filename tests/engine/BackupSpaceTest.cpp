#include "AutoSaver.h"
#include "BackupPruning.h"
#include "EngineFixture.h"
#include "FaultyServices.h"
#include "ForwardingServices.h"
#include "RunToEnd.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace saver::test {
namespace {

namespace fs = std::filesystem;
using testing::StartsWith;

class BackupSpace : public EngineFixture
{
protected:
    // A backup folder made `age` minutes before the others, holding a save of `bytes`.
    void Backup(const std::string& name, int age, const std::string& marks = "",
                std::size_t bytes = 10)
    {
        fs::create_directories(App(name) + "/MyWorld");
        WriteFile(App(name) + "/MyWorld/level.dat", std::string(bytes, 'x'));
        for (char mark : marks)
            WriteFile(App(name) + (mark == 'm' ? "/.manual" : "/.pinned"), "");
        files.SetModified(App(name), (1000 - age) * 60'000'000'000LL);
    }
};

struct PruneCase
{
    const char* name;
    BackupOptions options;
    std::vector<std::string> kept;
};

class Pruning : public BackupSpace, public testing::WithParamInterface<PruneCase>
{
};

// Oldest to newest: 【1】 scheduled, 【2】 manual, 【3】 pinned, 【4】 and 【5】 scheduled,
// 【6】 just made but dated oldest; beside them folders that are not the program's.
TEST_P(Pruning, RemovesExactlyTheOldestItMay)
{
    Backup("【1】1_0_0", 50, "", 600'000);
    Backup("【2】2_0_0", 40, "m", 600'000);
    Backup("【3】3_0_0", 30, "p", 600'000);
    Backup("【4】4_0_0", 20, "", 600'000);
    Backup("【5】5_0_0 (2)", 10, "", 600'000);
    Backup("【6】6_0_0", 60, "", 600'000);
    fs::create_directories(App("【7】x_0_0"));
    fs::create_directories(App("my copy"));
    const PruneOutcome outcome =
        PruneWholeSaveBackups(files, GetParam().options, App("【6】6_0_0"));
    EXPECT_FALSE(outcome.error);
    std::vector<std::string> expected = GetParam().kept;
    expected.insert(expected.end(), {"my copy", "【7】x_0_0"});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Entries(appDir.path()), expected);
}

const std::vector<std::string> kAll = {"【1】1_0_0", "【2】2_0_0",     "【3】3_0_0",
                                       "【4】4_0_0", "【5】5_0_0 (2)", "【6】6_0_0"};

INSTANTIATE_TEST_SUITE_P(
    Rules, Pruning,
    testing::Values(
        PruneCase{"Off", {}, kAll},
        PruneCase{"KeepFive",
                  {.keepNewest = 5},
                  {"【2】2_0_0", "【3】3_0_0", "【4】4_0_0", "【5】5_0_0 (2)", "【6】6_0_0"}},
        PruneCase{"KeepOne", {.keepNewest = 1}, {"【2】2_0_0", "【3】3_0_0", "【6】6_0_0"}},
        PruneCase{"KeepOneManualToo",
                  {.keepNewest = 1, .pruneManual = true},
                  {"【3】3_0_0", "【6】6_0_0"}},
        PruneCase{
            "KeepTwoMegabytes", {.keepMegabytes = 2}, {"【2】2_0_0", "【3】3_0_0", "【6】6_0_0"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(BackupSpace, FailedRemovalIsReportedAndStopsThePruning)
{
    Backup("【1】1_0_0", 30);
    Backup("【2】2_0_0", 20);
    Backup("【3】3_0_0", 10);
    FaultyServices faulty(files);
    faulty.FailEvery("RemoveFolder", std::errc::permission_denied);
    const PruneOutcome outcome =
        PruneWholeSaveBackups(faulty, {.keepNewest = 1}, App("【3】3_0_0"));
    EXPECT_EQ(outcome.error, std::errc::permission_denied);
    EXPECT_EQ(outcome.failedPath, App("【1】1_0_0"));
    EXPECT_EQ(Entries(appDir.path()).size(), 3u);
}

TEST(OptionsFileText, RoundTripsAndFallsBackOnGarbage)
{
    const BackupOptions set{.intervalMinutes = 60,
                            .kind = BackupKind::Character,
                            .keepNewest = 999,
                            .keepMegabytes = 12345,
                            .pruneManual = true,
                            .skipUnchanged = true};
    EXPECT_EQ(OptionsFile::Parse(OptionsFile::Format(set)), set);
    for (const char* garbage : {"", "interval=0;keep=1000;kind=all", "interval=61;keepMB=-1",
                                "interval=5x;pruneManual=2", "\xff\xfe;;==;interval"})
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

TEST_F(BackupSpace, UnchangedSaveIsSkippedWhenAskedAndABackupThatDoesNotFitIsNotStarted)
{
    WriteFile(App("saver.ini"), LevelDat() + "\r\n");
    fs::last_write_time(LevelDat(), fs::file_time_type::clock::now() - std::chrono::hours(1));
    AutoSaver saver(files, clock);
    saver.Form_Load();
    ASSERT_FALSE(saver.SetOptions({.intervalMinutes = 1, .skipUnchanged = true}));
    saver.chk1_Click(true);
    const auto tickMinute = [&] {
        for (int second = 0; second < 59; ++second, clock.Advance(1))
            saver.Timer2_Timer();
        clock.Advance(1);
        return RunToEnd(saver, saver.Timer2_Timer().backup.job).lblShow2;
    };
    EXPECT_EQ(tickMinute(), "第1次 保存成功！（新增 8 B）");
    EXPECT_EQ(tickMinute(), "存档未变化，跳过");
    EXPECT_EQ(RunToEnd(saver, saver.Command4_Click().job).lblShow2, "第2次 保存成功！（新增 0 B）");

    SmallDisk small(files, 5);
    AutoSaver cramped(small, clock);
    cramped.Form_Load();
    WriteFile(LevelDat(), "world v2");
    EXPECT_EQ(RunToEnd(cramped, cramped.Command4_Click().job).lblShow2,
              "保存失败：磁盘空间不足（需要 8 B，可用 5 B）");
    EXPECT_EQ(Entries(appDir.path()).size(), 4u); // saver.ini, options.ini, 【1】, 【2】
}

} // namespace
} // namespace saver::test
