#pragma once

#include "Samples.h"

#include <QEventLoop>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>

class frmshow;
class frm_timer;

struct CopyLatencies
{
    // How late a one-second tick fired while a backup was copied.
    saver::bench::Samples tickLateness;
    // From the moment a quick-save press was due to the end of its answer.
    saver::bench::Samples clickLatency;
    // From Command4's click to the status that says the backup is made.
    saver::bench::Samples copyTimes;
    std::uint64_t residentAfterFirstCopy = 0;
};

// Makes whole-save backups with the main window's Command4, one after another, and while each
// runs watches a one-second PreciseTimer, like the window's own countdown, and presses the
// floating window's quick-save button every 100 ms. Each backup starts 700 ms after a tick,
// so that the next tick falls inside the copy.
class CopyLatencyProbe final : public QObject
{
public:
    CopyLatencyProbe(frmshow& floating, std::string appDir, int copies);

    // Runs the event loop until every backup is made and removed again.
    CopyLatencies Run();

private:
    using Clock = std::chrono::steady_clock;

    void Tick();
    void StartCopy();
    void PressQuickSave();
    void Poll();
    void EndCopy();
    void Fail(const QString& why);

    frmshow& m_floating;
    frm_timer& m_main;
    std::string m_appDir;
    int m_copiesLeft;

    QEventLoop m_loop;
    QTimer m_tick;
    QTimer m_press;
    QTimer m_poll;
    Clock::time_point m_tickDue;
    Clock::time_point m_pressDue;
    Clock::time_point m_copyStarted;
    bool m_copying = false;
    // The last backup is removed on another thread, so the windows go on as they would.
    std::future<void> m_removal;
    QString m_failure;
    CopyLatencies m_figures;
};
