// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackgroundBackup.h"

#include "StatusTexts.h"

#include <QMetaObject>

#include <string>
#include <utility>

BackgroundBackup::BackgroundBackup(QObject* parent) : QObject(parent) {}

BackgroundBackup::~BackgroundBackup()
{
    StopAndWait();
}

void BackgroundBackup::Start(std::shared_ptr<saver::WholeSaveJob> job)
{
    m_worker = std::jthread(
        [this, job = std::move(job)](const std::stop_token& stop) { Work(job, stop); });
}

void BackgroundBackup::StopAndWait()
{
    if (m_worker.joinable()) {
        m_worker.request_stop();
        m_worker.join();
    }
}

void BackgroundBackup::Work(const std::shared_ptr<saver::WholeSaveJob>& job,
                            const std::stop_token& stop)
{
    std::string lastText;
    const auto progress = [this, &lastText](std::uint64_t done, std::uint64_t total) {
        std::string text = saver::ProgressText(done, total);
        if (text == lastText) {
            return;
        }
        lastText = text;
        QMetaObject::invokeMethod(
            this, [this, shown = QString::fromStdString(text)] { emit Progressed(shown); },
            Qt::QueuedConnection);
    };
    const saver::WholeSaveResult result = job->Run(progress, stop);
    QMetaObject::invokeMethod(
        this, [this, job, result] { emit Finished(job, result); }, Qt::QueuedConnection);
}
