// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <utility>
#include <vector>

// Work beside the window thread: copies, restores and reads that may take long on a slow or
// cold disk. Each job runs on a thread of its own and hands its result to `done` on the thread
// of this object, unless `receiver` is gone by then. Nothing here waits for a running job but
// the destructor, when the program ends: a job that is no longer wanted is asked to stop and
// left to finish on its own thread.
class BackgroundWork final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundWork)

public:
    explicit BackgroundWork(QObject* parent = nullptr) : QObject(parent) {}
    // Asks every job to stop and waits for them: what they use must not go before they end.
    ~BackgroundWork() override;

    // `work(stop)` runs beside the window thread; `done(result)` then runs on this object's.
    template <typename Work, typename Done> void Run(QObject* receiver, Work work, Done done)
    {
        ForgetFinished();
        auto finished = std::make_shared<std::atomic_bool>(false);
        m_jobs.push_back(
            {std::jthread([this, receiver = QPointer(receiver), finished, work = std::move(work),
                           done = std::move(done)](const std::stop_token& stop) mutable {
                 Deliver([receiver, done = std::move(done), result = work(stop)]() mutable {
                     if (receiver)
                         done(std::move(result));
                 });
                 *finished = true;
             }),
             finished});
    }

    // Asks every running job to stop, and waits for none.
    void StopAll();

private:
    struct Job
    {
        std::jthread thread;
        std::shared_ptr<std::atomic_bool> finished;
    };
    // A job that has handed over its result only has its thread's end left: joining it
    // takes no time.
    void ForgetFinished();

    // Hands a finished job's result to this object's thread under a lock of our own, not inside
    // a functor posted to Qt's queue, whose locks a race detector cannot see: what the job wrote
    // is then seen to come before what this thread reads.
    void Deliver(std::function<void()> delivery);
    Q_INVOKABLE void DeliverWaiting();

    std::list<Job> m_jobs;
    std::mutex m_deliveryLock;
    std::vector<std::function<void()>> m_deliveries;
};
