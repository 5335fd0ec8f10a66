// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupComparison.h"
#include "BackupVerification.h"
#include "DataLayout.h"
#include "World.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

namespace saver::test {
namespace {

const std::string kBackup1 = "app/【1】9_0_0", kBackup2 = "app/【2】9_0_1";

// A world with backups made one second apart, checked as the player checks them.
struct Checked : World
{
    void Backup()
    {
        ASSERT_NE(RunToEnd(saver.StartWholeSave()).text.find("保存成功"), std::string::npos);
        clock.Advance(1);
    }
    VerifyOutcome Verify(const std::string& dir) { return VerifyBackup(files, Path(dir), {}, {}); }
};

TEST(Manifest, ACheckNamesEveryFileThatDiffers)
{
    Checked w;
    // Names a line-based manifest must escape, which Windows takes in no name.
#ifndef _WIN32
    WriteFile(w.Path("game/World/new\r\nline"), "n");
    WriteFile(w.Path("game/World/back\\slash"), "b");
#endif
    WriteFile(w.Path("game/World/gone"), "g");
    w.Backup();
    std::pair<std::uint64_t, std::uint64_t> read;
    const auto progress = [&](std::uint64_t done, std::uint64_t total) { read = {done, total}; };
    EXPECT_EQ(VerifyBackup(w.files, w.Path(kBackup1), progress, {}).record.state,
              CheckRecord::State::Good);
    std::uint64_t bytes = 0;
    for (const auto& [name, content] : TreeOf(w.Path("game/World")))
        bytes += content.size();
    EXPECT_EQ(read, std::pair(bytes, bytes));

    FlipByte(w.Path(kBackup1 + "/World/region/r.0.0.mca"));
    std::ofstream(NativePath(w.Path(kBackup1 + "/World/level.dat")), std::ios::app) << 'x';
    std::filesystem::remove(NativePath(w.Path(kBackup1 + "/World/gone")));
    WriteFile(w.Path(kBackup1 + "/World/extra"), "s");
    // Stopped, a check keeps no half answer: the record before stays.
    std::stop_source stop;
    stop.request_stop();
    EXPECT_EQ(VerifyBackup(w.files, w.Path(kBackup1), {}, stop.get_token()).error,
              std::errc::operation_canceled);
    EXPECT_EQ(CheckStateText(w.Listed(kBackup1).check), "完好");
    const VerifyOutcome found = w.Verify(kBackup1);
    EXPECT_EQ(found.record.damaged, (std::vector<std::string>{"level.dat", "region/r.0.0.mca"}));
    EXPECT_EQ(found.record.missing, std::vector<std::string>{"gone"});
    EXPECT_EQ(found.record.extra, std::vector<std::string>{"extra"});
    const CheckRecord listed = w.Listed(kBackup1).check;
    EXPECT_EQ(listed, found.record);
    EXPECT_EQ(CheckStateText(listed), "损坏（4）");
    EXPECT_THAT(CheckDetailText(listed), testing::HasSubstr(SystemPath("损坏：region/r.0.0.mca")));
    EXPECT_THAT(VerifyText("【1】", found), testing::HasSubstr(SystemPath("region/r.0.0.mca")));
}

// However the manifest is spoilt, the backup is never said to be whole: until a check gives it a
// manifest of what it holds, and a later check finds it so.
TEST(Manifest, ABackupWithoutAWholeManifestIsNeverSaidToBeWhole)
{
    const std::pair<std::string, std::function<void(std::string&)>> kSpoilt[] = {
        {"missing", nullptr},
        {"empty", [](std::string& text) { text.clear(); }},
        {"cut in the header", [](std::string& text) { text.resize(9); }},
        {"cut after a line", [](std::string& text) { text.resize(text.find('\n', 20) + 1); }},
        {"cut in the closing line", [](std::string& text) { text.resize(text.size() - 2); }},
        {"end without a count", [](std::string& text) { text.replace(text.rfind(' '), 9, "\n"); }},
        {"garbage", [](std::string& text) { text = "\x7f\x45LF\x02\x01\x01 binary"; }},
        {"a hash cut short", [](std::string& text) { text.erase(text.find('\n') + 3, 1); }},
        {"newer", [](std::string& text) { text.replace(text.find(" 1\n"), 2, " 2"); }},
        {"a number written oddly",
         [](std::string& text) { text.replace(text.find(" 1\n"), 2, " 01"); }},
        {"a path with a bare line end",
         [](std::string& text) { text.replace(text.find("level"), 5, "lev\nel"); }},
        {"paths out of order",
         [](std::string& text) {
             const std::size_t first = text.find('\n') + 1, second = text.find('\n', first) + 1;
             const std::size_t third = text.find('\n', second) + 1;
             text = text.substr(0, first) + text.substr(second, third - second) +
                    text.substr(first, second - first) + text.substr(third);
         }},
    };
    for (const auto& [name, spoil] : kSpoilt) {
        SCOPED_TRACE(name);
        Checked w;
        w.Backup();
        ASSERT_EQ(w.Verify(kBackup1).record.state, CheckRecord::State::Good);
        const std::string manifest = w.Path(kBackup1 + "/.manifest");
        std::string text = ReadFile(NativePath(manifest));
        std::filesystem::remove(NativePath(manifest));
        if (spoil) {
            spoil(text);
            WriteFile(manifest, text);
        }
        EXPECT_EQ(CheckStateText(w.Listed(kBackup1).check), "未校验");
        const VerifyOutcome check = w.Verify(kBackup1);
        EXPECT_FALSE(check.error);
        EXPECT_EQ(check.record.state, CheckRecord::State::Unchecked);
        EXPECT_EQ(CheckStateText(w.Listed(kBackup1).check), "未校验");
        const bool newer = name == std::string("newer");
        // A later version's manifest stays as it was; any other is replaced by a whole one.
        EXPECT_EQ(check.record.manifestMade, !newer);
        EXPECT_EQ(ReadFile(NativePath(manifest)) == text, newer || !spoil);
        EXPECT_EQ(w.Verify(kBackup1).record.state,
                  newer ? CheckRecord::State::Unchecked : CheckRecord::State::Good);
    }
}

// A check record that this version did not write, or that was cut short, says nothing.
TEST(Manifest, ACheckRecordNotWhollyReadSaysNothing)
{
    Checked w;
    w.Backup();
    ASSERT_EQ(w.Verify(kBackup1).record.state, CheckRecord::State::Good);
    const std::string path = w.Path(kBackup1 + "/" + kCheckMark);
    const std::string good = ReadFile(NativePath(path));
    // Each replaces the first `from` of the record that says the backup is whole.
    const char* const kSpoilt[][2] = {
        {" good 0 0", " fine 0 1"}, {" good 0", " good x"},  {" good 0", " good 9"},
        {" good 0 0", " good 0 2"}, {" good ", " damaged "}, {"\nend", "\ndamaged level.dat\nend"},
        {"end\n", "end\nmore"},     {"\nend\n", "\n"}};
    for (const auto& [from, to] : kSpoilt) {
        std::string text = good;
        WriteFile(path, text.replace(text.find(from), std::strlen(from), to));
        EXPECT_EQ(CheckDetailText(w.Listed(kBackup1).check), "未校验：从未校验过") << to;
    }
}

// A check that gives a backup a manifest replaces a file in it: cut short at any step, the
// saved files stay as they were, the manifest is the old one or a whole new one, and the backup
// is not said to be whole.
TEST(Manifest, ACheckCutShortAtAnyStepLeavesTheBackupWhole)
{
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        Checked w;
        w.Backup();
        const std::string manifest = w.Path(kBackup1 + "/.manifest");
        WriteFile(manifest, "garbage");
        const Tree save = TreeOf(w.Path(kBackup1 + "/World"));
        w.files.FailAt(n, std::errc::io_error);
        const VerifyOutcome check = w.Verify(kBackup1);
        const bool failed = w.files.Operations() >= n;
        EXPECT_EQ(bool(check.error), failed);
        EXPECT_EQ(TreeOf(w.Path(kBackup1 + "/World")), save);
        const std::string text = ReadFile(NativePath(manifest));
        EXPECT_TRUE(text == "garbage" || ParseManifest(text).problem == ManifestProblem::None);
        EXPECT_EQ(CheckStateText(w.Listed(kBackup1).check), "未校验");
        EXPECT_EQ(Names(w.Path(kBackup1)).size(), failed ? 4u : 5u); // no temporary file stays
        if (!failed)
            break;
    }
}

// A file the copier shared with the last backup is the same file: its hash comes from that
// backup's manifest, and only the copies made anew are read, by the hasher beside the copy.
TEST(Manifest, SharedFilesAreNotReadAgain)
{
    Checked w;
    w.Backup();
    // Reads of the new copy by the thread that runs the backup, and by any other (the hasher).
    const std::string copy = w.Path("app/.wholesave.partial/World/");
    std::map<std::pair<std::string, bool>, int> reads;
    std::mutex counting;
    std::condition_variable copied;
    bool copyDone = false;
    const std::thread::id backup = std::this_thread::get_id();
    // The hasher reads only once the copy is over, so the backup must wait for it to finish.
    w.hooked.afterCopyFolder = [&] {
        const std::lock_guard lock(counting);
        copyDone = true;
        copied.notify_all();
    };
    w.hooked.beforeRead = [&](const std::string& path) {
        std::unique_lock lock(counting);
        if (!path.starts_with(copy))
            return;
        const bool byBackup = std::this_thread::get_id() == backup;
        copied.wait(lock, [&] { return copyDone || byBackup; });
        ++reads[{path.substr(copy.size()), byBackup}];
    };
    WriteFile(w.Path("game/World/level.dat"), "changed");
    WholeSaveJob job(w.files, w.saver.Holds(), w.Path("game/World"), 2, {9, 0, 1});
    ASSERT_FALSE(job.Run({}, {}).error);
    EXPECT_EQ(reads, (std::map<std::pair<std::string, bool>, int>{{{"level.dat", false}, 1}}));
    EXPECT_EQ(w.Verify(kBackup2).record.state, CheckRecord::State::Good);
}

TEST(Manifest, AFileThatCannotBeHashedFailsTheBackup)
{
    Checked w;
    w.files.FailReadsOf(w.Path("app/.wholesave.partial/World/level.dat"));
    EXPECT_EQ(w.RunToEnd(w.saver.StartWholeSave()).text.substr(0, 12), "保存失败");
    EXPECT_EQ(Names(w.Path("app")), (std::vector<std::string>{"saver.ini", "tmp.back"}));
}

// The damage of a backup found damaged is never lent to the next one. Keeping two, the rule
// keeps two good backups: a damaged one is not counted, nor removed to bring the count down.
TEST(Manifest, ADamagedBackupLendsNoFilesAndCountsForNone)
{
    Checked w;
    const std::string region = "/World/region/r.0.0.mca", kBackup3 = "app/【3】9_0_2";
    w.Backup();
    FlipByte(w.Path(kBackup1 + region));
    w.Verify(kBackup1);
    w.Backup();
    EXPECT_FALSE(w.real.SameFile(w.Path(kBackup1 + region), w.Path(kBackup2 + region)));
    EXPECT_EQ(w.Read(kBackup2 + region), kRegion);
    w.Backup();
    EXPECT_TRUE(w.real.SameFile(w.Path(kBackup2 + region), w.Path(kBackup3 + region)));
    ASSERT_FALSE(w.saver.SetOptions({.keepNewest = 2, .pruneManual = true}));
    w.Backup();
    EXPECT_EQ(Names(w.Path("app")),
              (std::vector<std::string>{"options.ini", "saver.ini", "tmp.back", "【1】9_0_0",
                                        "【3】9_0_2", "【4】9_0_3"}));
}

// 2,000 files named as a server's save names its players' files, by random UUIDs, stay under
// 200 KB, and read back as written.
TEST(Manifest, StaysSmall)
{
    Manifest manifest;
    std::uint64_t state = 1;
    const auto next = [&] { return state = state * 6364136223846793005u + 1442695040888963407u; };
    for (int i = 0; i < 2000; ++i) {
        char uuid[37];
        std::snprintf(uuid, sizeof uuid, "%08x-%04x-4%03x-%04x-%012llx",
                      static_cast<unsigned>(next() >> 32), static_cast<unsigned>(next() >> 48),
                      static_cast<unsigned>(next() >> 52), static_cast<unsigned>(next() >> 48),
                      static_cast<unsigned long long>(next() >> 16));
        const char* folder = i % 3 == 0 ? "playerdata/" : i % 3 == 1 ? "stats/" : "advancements/";
        manifest.files.push_back({folder + std::string(uuid) + ".json",
                                  next() >> 44,
                                  std::int64_t(next() >> 3),
                                  {next(), next()}});
    }
    std::ranges::sort(manifest.files, {}, &decltype(manifest.files)::value_type::path);
    const std::string text = ManifestText(manifest);
    EXPECT_LT(text.size(), 200'000u);
    const ManifestRead read = ParseManifest(text);
    EXPECT_EQ(read.problem, ManifestProblem::None);
    EXPECT_EQ(read.manifest.files, manifest.files);
}

// A hash reads back only from the one text written for it.
TEST(Manifest, HashTexts)
{
    const ContentHash hash{0x0123456789abcdefu, 0xfedcba9876543210u};
    EXPECT_EQ(hash.Text(), "ASNFZ4mrze_-3LqYdlQyEA");
    EXPECT_EQ(ContentHash::FromText(hash.Text()), hash);
    for (const char* text :
         {"ASNFZ4mrze_-3LqYdlQyEB", "ASNFZ4mrze_-3LqYdlQyE", "ASNFZ4mrze_+3LqYdlQyEA",
          "ASNFZ4mrze_-3LqYdlQyEAA", "0123456789abcdef0123456789abcdef"})
        EXPECT_EQ(ContentHash::FromText(text), std::nullopt) << text;
}

TEST(Manifest, Comparisons)
{
    using Change = ComparedFile::Change;
    Checked w;
    WriteFile(w.Path("game/World/gone"), "g");
    WriteFile(w.Path("game/World/touched"), "t");
    w.Backup();
    std::filesystem::remove(NativePath(w.Path("game/World/gone")));
    WriteFile(w.Path("game/World/touched"), "t");
    WriteFile(w.Path("game/World/level.dat"), "changed");
    WriteFile(w.Path("game/World/new"), "new!");
    const std::vector<ComparedFile> expected = {
        {"gone", Change::Removed, 1}, {"level.dat", Change::Changed, 7}, {"new", Change::Added, 4}};
    const auto withSave = CompareWithSave(w.files, w.Path(kBackup1), w.Path("game/World"), {});
    EXPECT_EQ(withSave.files, expected);
    EXPECT_FALSE(withSave.byTimes);
    EXPECT_EQ(withSave.Count(Change::Changed), 1u);
    EXPECT_EQ(withSave.Bytes(Change::Added), 4u);

    w.Backup();
    const Comparison backups = CompareBackups(w.files, w.Path(kBackup1), w.Path(kBackup2));
    EXPECT_EQ(backups.files, expected);
    EXPECT_FALSE(backups.byTimes);
    EXPECT_TRUE(CompareBackups(w.files, w.Path(kBackup1), w.Path("app/gone")).error);
    // Without a manifest a touched file cannot be told from a changed one.
    std::filesystem::remove(NativePath(w.Path(kBackup1 + "/.manifest")));
    const Comparison byTimes = CompareBackups(w.files, w.Path(kBackup1), w.Path(kBackup2));
    EXPECT_TRUE(byTimes.byTimes);
    EXPECT_EQ(byTimes.Count(Change::Changed), 2u);
}

} // namespace
} // namespace saver::test
