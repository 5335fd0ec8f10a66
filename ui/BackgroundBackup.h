// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WholeSaveJob.h"

#include <QObject>
#include <QString>

#include <memory>
#include <thread>

// Runs a whole-save copy on a worker thread, so the windows keep answering while a large save
// is copied, and reports back on the thread that owns this object.
class BackgroundBackup final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundBackup)

public:
    explicit BackgroundBackup(QObject* parent = nullptr);
    // Stops a copy that is still running: the job removes what it has copied so far.
    ~BackgroundBackup() override;

    // The engine hands out one job at a time; a new one waits for the previous thread's end.
    void Start(std::shared_ptr<saver::WholeSaveJob> job);
    void StopAndWait();

signals:
    // Sent only when the text changes, however often the copy reports.
    void Progressed(const QString& text);
    void Finished(const std::shared_ptr<saver::WholeSaveJob>& job,
                  const saver::WholeSaveResult& result);

private:
    void Work(const std::shared_ptr<saver::WholeSaveJob>& job, const std::stop_token& stop);

    std::jthread m_worker;
};
