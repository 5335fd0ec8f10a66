// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackgroundRestore.h"

#include <QMetaObject>

#include <algorithm>

#include <utility>

BackgroundRestore::BackgroundRestore(QObject* parent) : QObject(parent) {}

BackgroundRestore::~BackgroundRestore()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void BackgroundRestore::Start(std::shared_ptr<saver::WholeSaveRestore> restore)
{
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_worker = std::jthread([this, restore = std::move(restore)](const std::stop_token& stop) {
        int shown = -1;
        const auto progress = [this, &shown](std::uint64_t done, std::uint64_t total) {
            const int percent =
                total == 0 ? 0 : static_cast<int>(std::min(done, total) * 100 / total);
            if (percent != shown) {
                shown = percent;
                QMetaObject::invokeMethod(
                    this, [this, percent] { emit Progressed(percent); }, Qt::QueuedConnection);
            }
        };
        const saver::RestoreOutcome outcome = restore->Run(progress, stop);
        QMetaObject::invokeMethod(
            this, [this, outcome] { emit Finished(outcome); }, Qt::QueuedConnection);
    });
}
