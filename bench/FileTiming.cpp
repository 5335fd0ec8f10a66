// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTiming.h"

#include "BackupManifest.h"
#include "BackupVerification.h"
#include "QuickSlot.h"
#include "ResultTable.h"
#include "SaveGenerator.h"
#include "StatusTexts.h"
#include "SystemClock.h"
#include "SystemServices.h"
#include "WholeSaveJob.h"

#include <QProcess>

#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

namespace saver::bench {
namespace {

namespace fs = std::filesystem;

constexpr double kQuickLimit = 0.020;

// Returns the folder it made, for removal outside the timing.
std::string CopyWithOurs(SystemServices& services, const std::string& save, int run)
{
    BackupHolds holds;
    WholeSaveJob job(services, holds, save, run, ClockFields{1, 2, 3});
    // The windows always ask for progress, which costs a pass that measures the save; so does
    // this.
    const WholeSaveResult result = job.Run([](std::uint64_t, std::uint64_t) {}, {});
    if (result.error)
        throw std::system_error(result.error, "whole-save backup");
    if (result.changedFiles != 0)
        throw std::runtime_error("the save changed while it was copied");
    return result.folder;
}

double TimeClick(const std::string& what, const std::function<QuickResult()>& click)
{
    const SteadyClock::time_point start = SteadyClock::now();
    const QuickResult result = click();
    const double seconds = SecondsSince(start);
    if (result.outcome != QuickResult::Outcome::Done)
        throw std::runtime_error(what + " failed: " + QuickTextsOf(result).message);
    return seconds;
}

} // namespace

void CompareCopies(const std::string& where, const std::string& save, const std::string& work,
                   int rounds, bool copyOnWrite)
{
    EnsureSave(save);
    fs::remove_all(work);
    fs::create_directories(work + "/app");
    SystemServices services(work + "/app");
    // coreutils' cp clones by default since 9.0; against a clone, it is to copy the bytes.
    const std::string cp = copyOnWrite ? "cp -r --reflink=never" : "cp -r";
    const std::string names[] = {"ours (WholeSaveJob)", cp, cp + " + sync -f"};
    const std::string cpCopy = work + "/cp";
    const QStringList cpArguments =
        QString::fromStdString(cp).split(' ').mid(1) +
        QStringList{QString::fromStdString(save), QString::fromStdString(cpCopy)};

    // Every contender finds the save in the page cache.
    const SaveSize size = ReadSave(save);
    FlushFilesystem(work);
    std::vector<double> times[std::size(names)];
    for (int round = 0; round < rounds; ++round) {
        // Each contender goes first in turn, so none always follows the same one.
        for (std::size_t i = 0; i < std::size(names); ++i) {
            const std::size_t contender = (i + round) % std::size(names);
            const SteadyClock::time_point start = SteadyClock::now();
            std::string copy = cpCopy;
            if (contender == 0) {
                copy = CopyWithOurs(services, save, round + 1);
            } else {
                if (QProcess::execute("cp", cpArguments) != 0)
                    throw std::runtime_error(cp + " failed");
                if (contender == 2)
                    FlushFilesystem(copy);
            }
            times[contender].push_back(SecondsSince(start));
            // Our backup folder holds the save under its own name, beside the program's mark.
            const std::string copied =
                contender == 0 ? copy + "/" + fs::path(save).filename().string() : copy;
            if (round == 0 && ReadSave(copied) != size)
                throw std::runtime_error(names[contender] + " did not copy the whole save");
            fs::remove_all(copy);
            FlushFilesystem(work);
        }
    }
    fs::remove_all(work);

    const std::string shape = std::to_string(size.files) + " files, " +
                              Format("%.1f MiB", static_cast<double>(size.bytes) / (1 << 20)) +
                              ", median of " + std::to_string(rounds);
    const double ours = Median(times[0]);
    for (std::size_t i = 0; i < std::size(names); ++i)
        PrintRow(where + ": " + names[i] + " (" + shape + ")", Format("%.3f s", Median(times[i])));
    for (std::size_t i = 1; i < std::size(names); ++i) {
        const double theirs = Median(times[i]);
        const double ratio = copyOnWrite ? theirs / ours : ours / theirs;
        PrintRow(where + ": " + (copyOnWrite ? names[i] + " / ours" : "ours / " + names[i]),
                 Format(ratio >= 10 ? "%.0f×" : "%.2f×", ratio), copyOnWrite ? "≥ 20×" : "≤ 1.00×",
                 copyOnWrite ? ratio >= 20 : ratio <= 1);
    }
}

void TimeSharedBackups(const std::string& save, const std::string& work)
{
    EnsureSave(save);
    fs::remove_all(work);
    fs::create_directories(work + "/app");
    const std::string world = work + "/world";
    // Times kept, so that every file starts out long unchanged, as in a save played for a while.
    if (QProcess::execute("cp", {"-a", "--reflink=never", QString::fromStdString(save),
                                 QString::fromStdString(world)}) != 0)
        throw std::runtime_error("cp -a failed");
    SystemServices services(work + "/app");
    constexpr int kBackups = 12;
    std::vector<double> times;
    for (int backup = 1; backup <= kBackups; ++backup) {
        if (backup > 1) {
            RewriteRegionFiles(world, static_cast<std::uint64_t>(backup));
            // A file is shared only once it is older than the last backup by more than the
            // timestamp resolution, which backups five minutes apart always are.
            std::this_thread::sleep_for(std::chrono::nanoseconds(kTimestampResolutionNs) +
                                        std::chrono::milliseconds(100));
        }
        FlushFilesystem(work);
        const SteadyClock::time_point start = SteadyClock::now();
        CopyWithOurs(services, world, backup);
        times.push_back(SecondsSince(start));
    }
    // du counts a file with several names once, as the disk holds it.
    QProcess du;
    du.start("du", {"-s", "-B1", QString::fromStdString(work + "/app")});
    if (!du.waitForFinished(-1) || du.exitCode() != 0)
        throw std::runtime_error("du failed");
    const double gib = du.readAllStandardOutput().split('\t').front().toDouble() / (1 << 30);
    fs::remove_all(work);

    const double full = times.front();
    const double incremental = Median({times.begin() + 1, times.end()});
    PrintRow("12 whole-save backups, 1 % of the region files rewritten between two: on disk",
             Format("%.2f GiB", gib), "≤ 1.2 GiB", gib <= 1.2);
    PrintRow("Whole-save backup sharing unchanged files: first (full)", Format("%.3f s", full));
    PrintRow("Whole-save backup sharing unchanged files: later ones, median of 11",
             Format("%.3f s", incremental));
    PrintRow("Whole-save backup sharing unchanged files: later / first",
             Format("%.2f×", incremental / full), "≤ 0.10×", incremental <= full / 10);
}

void TimeManifests(const std::string& save, const std::string& work, int rounds)
{
    EnsureSave(save);
    fs::remove_all(work);
    fs::create_directories(work + "/app");
    SystemServices services(work + "/app");
    const std::string plain = work + "/plain";
    ReadSave(save);
    // Against the copy alone, as the job makes it (progress asked, nothing to share): what a
    // backup without a manifest would cost at least. The two take turns.
    std::vector<double> backups;
    std::vector<double> copies;
    std::uintmax_t manifestBytes = 0;
    for (int round = 0; round < 2 * rounds; ++round) {
        FlushFilesystem(work);
        const SteadyClock::time_point start = SteadyClock::now();
        if (round % 2 == 0) {
            const std::string folder = CopyWithOurs(services, save, round + 1);
            backups.push_back(SecondsSince(start));
            manifestBytes = fs::file_size(folder + "/.manifest");
            fs::remove_all(folder);
        } else {
            fs::create_directory(plain);
            FolderCopyOptions options;
            options.progress = [](std::uint64_t, std::uint64_t) {};
            if (const FolderCopyResult copy = services.CopyFolder(save, plain, options); copy.error)
                throw std::system_error(copy.error, "copy");
            copies.push_back(SecondsSince(start));
            fs::remove_all(plain);
        }
    }
    fs::remove_all(work);
    const double with = Median(backups);
    const double without = Median(copies);
    PrintRow("Whole-save backup with its manifest (median of " + std::to_string(rounds) + ")",
             Format("%.3f s", with));
    PrintRow("The copy alone, as the backup makes it (median of " + std::to_string(rounds) + ")",
             Format("%.3f s", without));
    PrintRow("Manifest of the 1,443-file save",
             Format("%.0f KB", static_cast<double>(manifestBytes) / 1000));
    PrintRow("Whole-save backup: with manifest / without", Format("%.2f×", with / without),
             "≤ 1.15×", with <= without * 1.15);
}

void TimeVerification(const std::string& save, const std::string& work)
{
    EnsureSave(save);
    fs::remove_all(work);
    fs::create_directories(work + "/app");
    SystemServices services(work + "/app");
    const std::string folder = CopyWithOurs(services, save, 1);
    FlushFilesystem(work);
    const auto dropCaches = [] {
        std::ofstream drop("/proc/sys/vm/drop_caches");
        drop << "3\n";
        drop.close();
        return bool(drop);
    };
    const bool cold = dropCaches();
    if (!cold)
        ReadSave(folder);
    SteadyClock::time_point start = SteadyClock::now();
    const VerifyOutcome outcome = VerifyBackup(services, folder, {}, {});
    const double verify = SecondsSince(start);
    if (outcome.error || outcome.record.state != CheckRecord::State::Good)
        throw std::runtime_error("the check of a fresh backup did not find it whole");
    if (cold)
        dropCaches();
    start = SteadyClock::now();
    if (QProcess::execute("sh", {"-c", "find \"$0\" -type f -exec cat {} + >/dev/null",
                                 QString::fromStdString(folder)}) != 0)
        throw std::runtime_error("cat failed");
    const double cat = SecondsSince(start);
    fs::remove_all(work);
    const std::string cache = cold ? "cold page cache" : "warm page cache";
    PrintRow("Check of a backup of the 1 GiB save (" + cache + ")", Format("%.3f s", verify));
    PrintRow("cat of its files to /dev/null (" + cache + ")", Format("%.3f s", cat));
    PrintRow("Check / cat", Format("%.2f×", verify / cat), "≤ 1.2×", verify <= cat * 1.2);
}

void TimeQuickSlot(const std::string& work)
{
    const std::string folder = work + "/quick";
    fs::remove_all(folder);
    fs::create_directories(folder + "/app");
    fs::create_directories(folder + "/world");
    const std::string levelDat = folder + "/world/level.dat";
    std::ofstream file(levelDat, std::ios::binary);
    for (std::size_t i = 0; i < 50 * 1000; ++i)
        file.put(static_cast<char>((i * 2654435761u) >> 13));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + levelDat);
    FlushFilesystem(folder);

    SystemServices services(folder + "/app");
    SystemClock clock;
    QuickSlot slot(services);
    std::vector<double> saves(200);
    for (double& seconds : saves)
        seconds = TimeClick("quick save", [&] { return slot.QuickSave(levelDat); });
    std::vector<double> restores(200);
    for (double& seconds : restores) {
        seconds = TimeClick("restore", [&] { return slot.Restore(levelDat, GetHMS(clock)); });
        // Safety copies made in the same second would get ever longer searches for a free
        // name, which no user meets; each restore finds the folder as the first one did.
        for (const fs::directory_entry& entry : fs::directory_iterator(slot.SafetyFolder()))
            fs::remove(entry.path());
    }
    fs::remove_all(folder);

    PrintMedianAndWorst("Quick save of a 50 KB level.dat, flushed", saves, "runs", kQuickLimit);
    PrintMedianAndWorst("Restore of the slot over level.dat, with its safety copy, flushed",
                        restores, "runs", kQuickLimit);
}

} // namespace saver::bench
