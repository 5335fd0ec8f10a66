// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMetaObject>
#include <QObject>

#include <thread>
#include <utility>

// Runs `work` on `thread` and hands what it returns to `done` on the thread of `receiver`,
// unless the receiver is gone by then. For reads that may take long on a cold disk and must
// not hold up a window. The thread is joined when it is replaced or destroyed, so what `work`
// uses must outlive it.
template <typename Work, typename Done>
void RunOffThread(std::jthread& thread, QObject* receiver, Work work, Done done)
{
    thread = std::jthread([receiver, work = std::move(work), done = std::move(done)]() mutable {
        QMetaObject::invokeMethod(receiver, [done = std::move(done), result = work()]() mutable {
            done(std::move(result));
        });
    });
}
