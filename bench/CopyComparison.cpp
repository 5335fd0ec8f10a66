#include "CopyComparison.h"

#include "BenchFailure.h"
#include "ChildProcess.h"
#include "DiskFlush.h"
#include "FolderRemoval.h"
#include "ResultTable.h"
#include "Samples.h"
#include "SaveGenerator.h"
#include "Stopwatch.h"
#include "SystemServices.h"
#include "WholeSaveJob.h"

#include <filesystem>
#include <functional>
#include <iostream>

namespace saver::bench {
namespace {

namespace fs = std::filesystem;

struct Contender
{
    std::string name;
    // Makes one copy and returns the folder it made, for removal outside the timing.
    std::function<std::string(int run)> copy;
    Samples times;
};

void RemoveCopy(const std::string& folder, const std::string& work)
{
    Check(RemoveFolderTree(folder), "remove " + folder);
    FlushFilesystem(work);
}

std::string CpName(const CopyComparison& setup)
{
    std::string name = "cp -r";
    for (const std::string& option : setup.cpOptions) {
        name += " " + option;
    }
    return name;
}

std::string CopyWithCp(const CopyComparison& setup, const std::string& folder, bool sync)
{
    std::vector<std::string> command = {"cp", "-r"};
    command.insert(command.end(), setup.cpOptions.begin(), setup.cpOptions.end());
    command.push_back(setup.save);
    command.push_back(folder);
    RunProgram(command);
    if (sync) {
        RunProgram({"sync", "-f", folder});
    }
    return folder;
}

} // namespace

void CompareCopies(const CopyComparison& setup)
{
    const GeneratedSave save = MeasureSave(setup.save);
    std::cerr << "Copies on " << setup.where << ": " << save.files << " files, "
              << Mebibytes(static_cast<double>(save.bytes)) << ", " << setup.rounds << " rounds"
              << std::endl;
    const std::string appDir = setup.work + "/app";
    if (fs::exists(fs::symlink_status(setup.work))) {
        Check(RemoveFolderTree(setup.work), "remove " + setup.work);
    }
    fs::create_directories(appDir);
    SystemServices services(appDir);

    const std::string cpName = CpName(setup);
    std::vector<Contender> contenders;
    contenders.push_back({"ours (WholeSaveJob)",
                          [&](int run) {
                              WholeSaveJob job(services, setup.save, run, ClockFields{1, 2, 3});
                              // The windows always ask for progress, which costs a pass
                              // that measures the save; so does this.
                              const WholeSaveResult result =
                                  job.Run([](std::uint64_t, std::uint64_t) {}, {});
                              Check(result.error, "whole-save backup");
                              if (result.changedFiles != 0) {
                                  throw BenchFailure("the save changed while it was copied");
                              }
                              return result.folder;
                          },
                          Samples{}});
    contenders.push_back(
        {cpName, [&](int) { return CopyWithCp(setup, setup.work + "/cp", false); }, Samples{}});
    contenders.push_back({cpName + " + sync -f",
                          [&](int) { return CopyWithCp(setup, setup.work + "/cp", true); },
                          Samples{}});

    WarmPageCache(setup.save);
    FlushFilesystem(setup.work);
    for (int round = 0; round < setup.rounds; ++round) {
        // Each contender goes first in turn, so none always follows the same one.
        for (std::size_t i = 0; i < contenders.size(); ++i) {
            Contender& contender = contenders[(i + round) % contenders.size()];
            const Stopwatch watch;
            const std::string made = contender.copy(round + 1);
            contender.times.Add(watch.Seconds());
            if (round == 0) {
                const GeneratedSave copied = MeasureSave(made);
                if (copied.files != save.files || copied.bytes != save.bytes) {
                    throw BenchFailure(contender.name + " copied " + std::to_string(copied.files) +
                                       " files, the save has " + std::to_string(save.files));
                }
            }
            RemoveCopy(made, setup.work);
        }
        std::cerr << "  round " << round + 1 << ":";
        for (const Contender& contender : contenders) {
            std::cerr << " " << contender.name << " " << SecondsText(contender.times.Last());
        }
        std::cerr << std::endl;
    }
    Check(RemoveFolderTree(setup.work), "remove " + setup.work);

    const double ours = contenders[0].times.Median();
    const std::string shape = std::to_string(save.files) + " files, " +
                              Mebibytes(static_cast<double>(save.bytes)) + ", median of " +
                              std::to_string(setup.rounds);
    for (const Contender& contender : contenders) {
        PrintRow(setup.where + ": " + contender.name + " (" + shape + ")",
                 SecondsText(contender.times.Median()), "", std::nullopt);
    }
    for (std::size_t i = 1; i < contenders.size(); ++i) {
        const double theirs = contenders[i].times.Median();
        if (setup.leastSpeedUp > 1.0) {
            PrintRow(setup.where + ": " + contenders[i].name + " / ours", Ratio(theirs / ours),
                     "≥ " + Ratio(setup.leastSpeedUp), theirs / ours >= setup.leastSpeedUp);
        } else {
            PrintRow(setup.where + ": ours / " + contenders[i].name, Ratio(ours / theirs),
                     "≤ 1.00×", ours <= theirs);
        }
    }
}

} // namespace saver::bench
