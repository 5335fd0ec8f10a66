// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ResticOutcome.h"
#include "ResticRun.h"

#include "OffsiteRecord.h"
#include "Services.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <string>

// Hands finished whole-save backups to restic, one at a time, in the order they were made.
// The list of those waiting lives in the data folder, so a restart goes on where the last run
// stopped. A locked repository is tried again later, waiting longer each time; a wrong
// password or a missing repository stops the uploads until the settings change.
class OffsiteUploader final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OffsiteUploader)

public:
    // Calls `then` after `delay`, on this thread: a timer, or the test's hand.
    using Later = std::function<void(std::chrono::seconds delay, std::function<void()> then)>;

    OffsiteUploader(saver::FileServices& files, Later later, QObject* parent = nullptr);

    // New settings; uploads that were stopped start again with them.
    void SetSetup(const ResticSetup& setup);
    // Queues a backup folder and starts on the queue.
    void Add(const std::string& backupFolder);
    // Goes on with the backups left waiting.
    void Resume();
    // Ends the upload under way; the backup stays queued.
    void Cancel();
    bool Halted() const { return m_halted; }

    static constexpr std::chrono::seconds kFirstRetry{30};
    static constexpr std::chrono::seconds kLongestRetry{30 * 60};

signals:
    // From restic's progress: the share of the backup's bytes read.
    void Progressed(const QString& backupFolder, double fraction);
    void Uploaded(const QString& backupFolder, const QString& snapshotId);
    // The backup was not taken; it is marked as failed and leaves the queue.
    void Failed(const QString& backupFolder, const ResticOutcome& outcome);
    // Uploads stop until new settings: a wrong password, no repository, no restic.
    void Stopped(const ResticOutcome& outcome);
    // Locked, or restic ended early: the same backup is tried again after `delay`.
    void Retrying(const QString& backupFolder, std::chrono::seconds delay);

private:
    void RunNext();
    void Finish(const std::string& folder, const QString& snapshotId, const ResticOutcome& outcome);

    saver::FileServices& m_files;
    saver::OffsiteRecord m_record;
    Later m_later;
    ResticSetup m_setup;
    QPointer<ResticRun> m_running;
    bool m_waiting = false; // for a retry
    bool m_halted = false;
    std::chrono::seconds m_nextRetry = kFirstRetry;
};
