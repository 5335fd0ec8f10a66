// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileTiming.h"

#include "QuickSlot.h"
#include "ResultTable.h"
#include "SaveGenerator.h"
#include "SystemClock.h"
#include "SystemServices.h"
#include "WholeSaveJob.h"

#include <QProcess>

#include <filesystem>
#include <fstream>
#include <functional>

namespace saver::bench {
namespace {

namespace fs = std::filesystem;

constexpr double kQuickLimit = 0.020;

// Returns the folder it made, for removal outside the timing.
std::string CopyWithOurs(SystemServices& services, const std::string& save, int run)
{
    WholeSaveJob job(services, save, run, ClockFields{1, 2, 3});
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
        throw std::system_error(result.error, what + " failed: " + result.message);
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
            if (round == 0 && ReadSave(copy) != size)
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
