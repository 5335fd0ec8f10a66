#include "QuickSlotTiming.h"

#include "BenchFailure.h"
#include "DiskFlush.h"
#include "FileDescriptor.h"
#include "FolderRemoval.h"
#include "QuickSlot.h"
#include "ResultTable.h"
#include "Samples.h"
#include "Stopwatch.h"
#include "SystemClock.h"
#include "SystemError.h"
#include "SystemServices.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

namespace saver::bench {
namespace {

namespace fs = std::filesystem;

constexpr double kTargetSeconds = 0.020;

void WriteLevelDat(const std::string& path)
{
    std::string bytes(50 * 1000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!file.IsOpen()) {
        throw BenchFailure("create " + path, LastError());
    }
    Check(file.WriteAll(bytes), "write " + path);
    Check(file.Close(), "close " + path);
}

void Report(const std::string& what, const Samples& times)
{
    const std::string runs = " (" + std::to_string(times.Count()) + " runs)";
    PrintRow(what + ", median" + runs, Milliseconds(times.Median()), "< 20 ms",
             times.Median() < kTargetSeconds);
    PrintRow(what + ", worst" + runs, Milliseconds(times.Worst()), "< 20 ms",
             times.Worst() < kTargetSeconds);
}

void Expect(const QuickResult& result, const char* what)
{
    if (result.outcome != QuickResult::Outcome::Done) {
        throw BenchFailure(std::string(what) + " failed: " + result.message, result.error);
    }
}

} // namespace

void TimeQuickSlot(const std::string& work, int runs)
{
    const std::string folder = work + "/quick";
    if (fs::exists(fs::symlink_status(folder))) {
        Check(RemoveFolderTree(folder), "remove " + folder);
    }
    fs::create_directories(folder + "/app");
    fs::create_directories(folder + "/world");
    const std::string levelDat = folder + "/world/level.dat";
    WriteLevelDat(levelDat);
    FlushFilesystem(folder);

    SystemServices services(folder + "/app");
    SystemClock clock;
    QuickSlot slot(services);

    Samples saves;
    for (int run = 0; run < runs; ++run) {
        const Stopwatch watch;
        const QuickResult result = slot.QuickSave(levelDat);
        saves.Add(watch.Seconds());
        Expect(result, "quick save");
    }
    Samples restores;
    for (int run = 0; run < runs; ++run) {
        const Stopwatch watch;
        const QuickResult result = slot.Restore(levelDat, GetHMS(clock));
        restores.Add(watch.Seconds());
        Expect(result, "restore");
        // Safety copies made in the same second would get ever longer searches for a free
        // name, which no user meets; each restore finds the folder as the first one did.
        for (const fs::directory_entry& entry : fs::directory_iterator(slot.SafetyFolder())) {
            fs::remove(entry.path());
        }
    }
    Check(RemoveFolderTree(folder), "remove " + folder);

    Report("Quick save of a 50 KB level.dat, flushed", saves);
    Report("Restore of the slot over level.dat, with its safety copy, flushed", restores);
}

} // namespace saver::bench
