// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowTiming.h"

#include "BackupSession.h"
#include "ColourButton.h"
#include "FileDialog.h"
#include "ResultTable.h"
#include "SaveGenerator.h"
#include "SystemClock.h"
#include "SystemServices.h"
#include "frm_timer.h"
#include "frmshow.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <utility>

namespace saver::bench {
namespace {

using namespace std::chrono_literals;

constexpr int kStarts = 10;
constexpr std::size_t kCopies = 10;
constexpr double kStartupLimit = 0.300;
constexpr double kLatencyLimit = 0.050;
constexpr double kResidentLimit = 50e6;
constexpr auto kTickInterval = 1000ms;
constexpr auto kPressInterval = 100ms;
// A backup starts this long after a tick, so that the next tick falls inside the copy.
constexpr auto kCopyAfterTick = 700ms;

// Shows the floating window, and the main one as a click on the floating window's label brings
// it up, and returns when both are painted: the moment a user sees them. Qt paints a window
// while it handles the event that puts the window on the screen.
void ShowAndWait(frmshow& floating, frm_timer& main)
{
    floating.show();
    main.show();
    while (!floating.windowHandle()->isExposed() || !main.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

// The memory the process holds in RAM now, in bytes: statm's second figure is VmRSS in pages.
double ResidentBytes()
{
    double pages = 0;
    if (!(std::ifstream("/proc/self/statm") >> pages >> pages))
        throw std::runtime_error("cannot read /proc/self/statm");
    return pages * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// Precise timers keep to their schedule; one that fired late is due again one interval after
// its last due time, unless that is past already.
SteadyClock::time_point NextDue(SteadyClock::time_point due, std::chrono::milliseconds interval)
{
    const SteadyClock::time_point now = SteadyClock::now();
    due += interval;
    return due < now ? now + interval : due;
}

} // namespace

void TimeStartup(const std::string& appDir)
{
    std::filesystem::create_directories(appDir);
    std::vector<double> startup;
    std::vector<double> resident;
    for (int run = 0; run < kStarts; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(),
                    {"startup-child", QString::fromStdString(appDir),
                     QString::number(SteadyClock::now().time_since_epoch().count())});
        child.waitForFinished(-1);
        std::istringstream output(child.readAllStandardOutput().toStdString());
        if (child.exitCode() != 0 ||
            !(output >> startup.emplace_back() >> resident.emplace_back())) {
            throw std::runtime_error("the start-up child printed no figures");
        }
    }
    PrintMedianAndWorst("Start-up to both windows painted", startup, "starts", kStartupLimit);
    PrintRow("Resident memory after start, median (" + std::to_string(kStarts) + " starts)",
             Format("%.1f MB", Median(resident) / 1e6), "< 50 MB",
             Median(resident) < kResidentLimit);
}

void StartupChild(const std::string& appDir, const std::string& started)
{
    const SteadyClock::time_point start(SteadyClock::duration(std::stoll(started)));
    SystemServices files(appDir);
    SystemClock clock;
    BackupSession session(files, clock);
    frmshow floating(session);
    frm_timer main(session, floating);
    ShowAndWait(floating, main);
    std::cout << SecondsSince(start) << " " << ResidentBytes() << std::endl;
}

void TimeDuringCopies(const std::string& save, const std::string& appDir)
{
    EnsureSave(save);
    std::filesystem::create_directories(appDir);
    SystemServices files(appDir);
    SystemClock clock;
    BackupSession session(files, clock);
    frmshow floating(session);
    frm_timer main(session, floating);
    ShowAndWait(floating, main);
    const std::string levelDat = save + "/level.dat";
    FileDialog::setNextFileName(QString::fromStdString(levelDat));
    main.Command3->click();
    if (session.ChosenSave().toStdString() != levelDat)
        throw std::runtime_error("the main window did not take " + levelDat);

    QEventLoop loop;
    std::exception_ptr failure;
    QTimer tick;
    QTimer press;
    QTimer poll;
    SteadyClock::time_point tickDue;
    SteadyClock::time_point pressDue;
    SteadyClock::time_point copyStarted;
    std::vector<double> tickLateness;
    std::vector<double> clickLatency;
    std::vector<double> savedAfter;
    // Quick saves run one after another; a click waits for those before it.
    std::deque<SteadyClock::time_point> clicked;
    std::vector<double> copyTimes;
    double residentAfterFirstCopy = 0;
    // An exception must not cross Qt's event loop: it ends the loop and is thrown after it.
    const auto every = [&](QTimer& timer, std::chrono::milliseconds interval, auto step) {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(interval);
        QObject::connect(&timer, &QTimer::timeout, [&loop, &failure, step] {
            try {
                step();
            } catch (...) {
                failure = std::current_exception();
                loop.quit();
            }
        });
    };
    const auto startCopy = [&] {
        copyStarted = SteadyClock::now();
        pressDue = copyStarted + kPressInterval;
        press.start();
        poll.start();
        main.Command4->click();
    };
    every(tick, kTickInterval, [&] {
        if (poll.isActive()) {
            tickLateness.push_back(SecondsSince(tickDue));
        } else if (copyTimes.size() == kCopies) {
            loop.quit();
        } else {
            QTimer::singleShot(kCopyAfterTick, Qt::PreciseTimer, startCopy);
        }
        tickDue = NextDue(tickDue, kTickInterval);
    });
    // A click's latency runs from the moment it was due to the end of its handling on the
    // window thread; the quick save itself is then on disk when the button steps on.
    every(press, kPressInterval, [&] {
        const SteadyClock::time_point due =
            std::exchange(pressDue, NextDue(pressDue, kPressInterval));
        clicked.push_back(SteadyClock::now());
        QTest::mouseClick(floating.cmdSave, Qt::LeftButton);
        clickLatency.push_back(SecondsSince(due));
    });
    QObject::connect(&session, &BackupSession::QuickDone, [&] {
        savedAfter.push_back(SecondsSince(clicked.front()));
        clicked.pop_front();
    });
    QObject::connect(
        &session, &BackupSession::QuickRefused, [&](const QString&, const QString& text) {
            failure = std::make_exception_ptr(
                std::runtime_error("a quick save during the copy failed: " + text.toStdString()));
            loop.quit();
        });
    every(poll, 10ms, [&] {
        const QString status = main.lblShow2->text();
        if (status.contains(QStringLiteral("失败")))
            throw std::runtime_error("the whole-save backup failed: " + status.toStdString());
        if (!status.contains(QStringLiteral("保存成功")))
            return;
        copyTimes.push_back(SecondsSince(copyStarted));
        press.stop();
        poll.stop();
        // The last quick save ends before the disk is tidied.
        while (!clicked.empty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (copyTimes.size() == 1)
            residentAfterFirstCopy = ResidentBytes();
        // Between backups, where nothing is timed, so that each finds the disk as the first did.
        for (const auto& entry : std::filesystem::directory_iterator(appDir)) {
            if (entry.is_directory() && entry.path().filename().string().starts_with("【"))
                std::filesystem::remove_all(entry.path());
        }
        FlushFilesystem(appDir);
    });
    tickDue = SteadyClock::now() + kTickInterval;
    tick.start();
    loop.exec();
    if (failure)
        std::rethrow_exception(failure);

    PrintRow("One-second tick during a whole-save backup, latest (" +
                 std::to_string(tickLateness.size()) + " ticks)",
             Format("%.1f ms", Worst(tickLateness) * 1000), "≤ 50 ms late",
             Worst(tickLateness) <= kLatencyLimit);
    PrintMedianAndWorst("Quick-save click during a whole-save backup", clickLatency, "clicks",
                        kLatencyLimit);
    PrintRow("Quick save during a whole-save backup, click to on disk, median (" +
                 std::to_string(savedAfter.size()) + " saves)",
             Format("%.1f ms", Median(savedAfter) * 1000));
    PrintRow("Quick save during a whole-save backup, click to on disk, worst",
             Format("%.1f ms", Worst(savedAfter) * 1000));
    PrintRow("Whole-save backup through Command4, click to status, median of " +
                 std::to_string(copyTimes.size()),
             Format("%.3f s", Median(copyTimes)));
    PrintRow("Resident memory after one whole-save backup",
             Format("%.1f MB", residentAfterFirstCopy / 1e6), "< 50 MB",
             residentAfterFirstCopy < kResidentLimit);
}

} // namespace saver::bench
