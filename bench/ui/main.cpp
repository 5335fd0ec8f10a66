#include "BenchArguments.h"
#include "BenchFailure.h"
#include "ChildProcess.h"
#include "CopyLatencyProbe.h"
#include "FileDialog.h"
#include "FirstPaint.h"
#include "ProgramWindows.h"
#include "ResidentMemory.h"
#include "ResultTable.h"
#include "Samples.h"
#include "Stopwatch.h"
#include "frm_timer.h"

#include <QApplication>
#include <QPushButton>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using namespace saver::bench;

constexpr const char* kUsage =
    "usage: saver_ui_bench startup --app-dir FOLDER [--runs N]\n"
    "       saver_ui_bench during-copy --save FOLDER --app-dir FOLDER [--copies N]\n";

constexpr double kLatencyTarget = 0.050;
constexpr double kStartupTarget = 0.300;
constexpr double kResidentTarget = 50e6;

// Shows both windows and waits until they are painted; returns that moment.
std::chrono::steady_clock::time_point ShowAndWait(ProgramWindows& program)
{
    FirstPaint painted({&program.floating, &program.Main()});
    program.floating.show();
    program.Main().show();
    return painted.Wait();
}

// The child of `startup`: the program's start and nothing more. Prints when both windows were
// painted, on the clock the parent shares, and the memory held then.
int StartupChild(int argc, char** argv, const BenchArguments& arguments)
{
    QApplication application(argc, argv);
    SetUpApplication();
    ProgramWindows program(arguments.Text("app-dir"));
    const auto shown = ShowAndWait(program);
    std::cout
        << std::chrono::duration_cast<std::chrono::nanoseconds>(shown.time_since_epoch()).count()
        << " " << ResidentBytes() << std::endl;
    return 0;
}

int Startup(const BenchArguments& arguments)
{
    const int runs = arguments.Number("runs", 10);
    const std::string appDir = arguments.Text("app-dir");
    std::filesystem::create_directories(appDir);
    Samples startup;
    Samples resident;
    for (int run = 0; run < runs; ++run) {
        const Stopwatch watch;
        std::istringstream output(
            OutputOf({"/proc/self/exe", "startup-child", "--app-dir", appDir}));
        long long shownNs = 0;
        std::uint64_t residentBytes = 0;
        if (!(output >> shownNs >> residentBytes)) {
            throw BenchFailure("the start-up child printed no figures");
        }
        const auto shown = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(shownNs));
        startup.Add(std::chrono::duration<double>(shown - watch.Start()).count());
        resident.Add(static_cast<double>(residentBytes));
    }
    const std::string count = " (" + std::to_string(runs) + " starts)";
    PrintRow("Start-up to both windows painted, median" + count, Milliseconds(startup.Median()),
             "< 300 ms", startup.Median() < kStartupTarget);
    PrintRow("Start-up to both windows painted, worst" + count, Milliseconds(startup.Worst()),
             "< 300 ms", startup.Worst() < kStartupTarget);
    PrintRow("Resident memory after start, median" + count, Megabytes(resident.Median()), "< 50 MB",
             resident.Median() < kResidentTarget);
    return 0;
}

int DuringCopy(int argc, char** argv, const BenchArguments& arguments)
{
    QApplication application(argc, argv);
    SetUpApplication();
    const std::string appDir = arguments.Text("app-dir");
    std::filesystem::create_directories(appDir);
    ProgramWindows program(appDir);
    ShowAndWait(program);

    const std::string levelDat = arguments.Text("save") + "/level.dat";
    FileDialog::setNextFileName(QString::fromStdString(levelDat));
    program.Main().Command3->click();
    if (program.Main().ChosenPath() != levelDat) {
        throw BenchFailure("the main window did not take " + levelDat);
    }

    CopyLatencyProbe probe(program.floating, appDir, arguments.Number("copies", 10));
    const CopyLatencies figures = probe.Run();

    const std::string ticks = " (" + std::to_string(figures.tickLateness.Count()) + " ticks)";
    const std::string clicks = " (" + std::to_string(figures.clickLatency.Count()) + " clicks)";
    PrintRow("One-second tick during a whole-save backup, latest" + ticks,
             Milliseconds(figures.tickLateness.Worst()), "≤ 50 ms late",
             figures.tickLateness.Worst() <= kLatencyTarget);
    PrintRow("Quick-save click during a whole-save backup, median" + clicks,
             Milliseconds(figures.clickLatency.Median()), "≤ 50 ms",
             figures.clickLatency.Median() <= kLatencyTarget);
    PrintRow("Quick-save click during a whole-save backup, slowest" + clicks,
             Milliseconds(figures.clickLatency.Worst()), "≤ 50 ms",
             figures.clickLatency.Worst() <= kLatencyTarget);
    PrintRow("Whole-save backup through Command4, click to status, median of " +
                 std::to_string(figures.copyTimes.Count()),
             SecondsText(figures.copyTimes.Median()), "", std::nullopt);
    PrintRow("Resident memory after one whole-save backup",
             Megabytes(static_cast<double>(figures.residentAfterFirstCopy)), "< 50 MB",
             static_cast<double>(figures.residentAfterFirstCopy) < kResidentTarget);
    return 0;
}

int Run(int argc, char** argv)
{
    const std::string command = argv[1];
    const BenchArguments arguments(argc, argv, 2);
    if (command == "startup-child") {
        return StartupChild(argc, argv, arguments);
    }
    if (command == "startup") {
        return Startup(arguments);
    }
    if (command == "during-copy") {
        return DuringCopy(argc, argv, arguments);
    }
    std::cerr << kUsage;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << kUsage;
        return 2;
    }
    // Without a display the figures do not depend on a desktop's compositor; a platform
    // chosen on purpose is used as it is.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    try {
        return Run(argc, argv);
    } catch (const std::exception& failure) {
        std::cerr << "saver_ui_bench " << argv[1] << ": " << failure.what() << std::endl;
        return 1;
    }
}
