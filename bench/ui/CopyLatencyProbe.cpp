#include "CopyLatencyProbe.h"

#include "BenchFailure.h"
#include "ColourButton.h"
#include "DiskFlush.h"
#include "FolderRemoval.h"
#include "ResidentMemory.h"
#include "frm_timer.h"
#include "frmshow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr auto kTickInterval = 1000ms;
constexpr auto kPressInterval = 100ms;
constexpr auto kCopyAfterTick = 700ms;

double SecondsBetween(std::chrono::steady_clock::time_point from,
                      std::chrono::steady_clock::time_point to)
{
    return std::max(0.0, std::chrono::duration<double>(to - from).count());
}

// Precise timers keep to their schedule; one that fired late is due again one interval after
// its last due time, unless that is past already.
std::chrono::steady_clock::time_point NextDue(std::chrono::steady_clock::time_point due,
                                              std::chrono::steady_clock::duration interval,
                                              std::chrono::steady_clock::time_point now)
{
    due += interval;
    return due < now ? now + interval : due;
}

void RemoveBackups(const std::string& appDir)
{
    std::vector<std::string> made;
    for (const auto& entry : std::filesystem::directory_iterator(appDir)) {
        if (entry.is_directory() && entry.path().filename().string().rfind("【", 0) == 0) {
            made.push_back(entry.path().string());
        }
    }
    for (const std::string& folder : made) {
        saver::bench::Check(saver::RemoveFolderTree(folder), "remove " + folder);
    }
    saver::bench::FlushFilesystem(appDir);
}

} // namespace

CopyLatencyProbe::CopyLatencyProbe(frmshow& floating, std::string appDir, int copies)
    : m_floating(floating), m_main(floating.MainWindow()), m_appDir(std::move(appDir)),
      m_copiesLeft(copies)
{
    for (QTimer* timer : {&m_tick, &m_press, &m_poll}) {
        timer->setTimerType(Qt::PreciseTimer);
    }
    m_tick.setInterval(kTickInterval);
    m_press.setInterval(kPressInterval);
    m_poll.setInterval(10);
    connect(&m_tick, &QTimer::timeout, this, &CopyLatencyProbe::Tick);
    connect(&m_press, &QTimer::timeout, this, &CopyLatencyProbe::PressQuickSave);
    connect(&m_poll, &QTimer::timeout, this, &CopyLatencyProbe::Poll);
}

CopyLatencies CopyLatencyProbe::Run()
{
    m_tickDue = Clock::now() + kTickInterval;
    m_tick.start();
    m_loop.exec();
    m_tick.stop();
    if (m_removal.valid()) {
        m_removal.get();
    }
    if (!m_failure.isEmpty()) {
        throw saver::bench::BenchFailure(m_failure.toStdString());
    }
    return m_figures;
}

void CopyLatencyProbe::Tick()
{
    const Clock::time_point now = Clock::now();
    if (m_copying) {
        m_figures.tickLateness.Add(SecondsBetween(m_tickDue, now));
    }
    m_tickDue = NextDue(m_tickDue, kTickInterval, now);
    if (m_copying) {
        return;
    }
    if (m_removal.valid()) {
        if (m_removal.wait_for(0s) != std::future_status::ready) {
            return;
        }
        try {
            m_removal.get();
        } catch (const std::exception& failure) {
            Fail(QString::fromStdString(failure.what()));
            return;
        }
    }
    if (m_copiesLeft == 0) {
        m_loop.quit();
        return;
    }
    QTimer::singleShot(kCopyAfterTick, Qt::PreciseTimer, this, &CopyLatencyProbe::StartCopy);
}

void CopyLatencyProbe::StartCopy()
{
    m_copying = true;
    m_copyStarted = Clock::now();
    m_pressDue = m_copyStarted + kPressInterval;
    m_press.start();
    m_poll.start();
    m_main.Command4->click();
}

void CopyLatencyProbe::PressQuickSave()
{
    const Clock::time_point now = Clock::now();
    const Clock::time_point due = m_pressDue;
    m_pressDue = NextDue(m_pressDue, kPressInterval, now);
    const saver::Colour before = m_floating.cmdSave->Colour();
    QTest::mouseClick(m_floating.cmdSave, Qt::LeftButton);
    const Clock::time_point answered = Clock::now();
    if (m_floating.cmdSave->Colour() == before) {
        Fail(QStringLiteral("a quick save during the copy did not go through"));
        return;
    }
    m_figures.clickLatency.Add(SecondsBetween(due, answered));
}

void CopyLatencyProbe::Poll()
{
    const QString status = m_main.lblShow2->text();
    if (status.contains(QStringLiteral("保存成功"))) {
        EndCopy();
    } else if (status.contains(QStringLiteral("失败"))) {
        Fail(QStringLiteral("the whole-save backup failed: ") + status);
    }
}

void CopyLatencyProbe::EndCopy()
{
    m_figures.copyTimes.Add(SecondsBetween(m_copyStarted, Clock::now()));
    m_copying = false;
    m_press.stop();
    m_poll.stop();
    if (m_figures.copyTimes.Count() == 1) {
        m_figures.residentAfterFirstCopy = saver::bench::ResidentBytes();
    }
    --m_copiesLeft;
    m_removal = std::async(std::launch::async, RemoveBackups, m_appDir);
}

void CopyLatencyProbe::Fail(const QString& why)
{
    m_failure = why;
    m_press.stop();
    m_poll.stop();
    m_loop.exit(1);
}
