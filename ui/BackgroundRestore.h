// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "WholeSaveRestore.h"

#include <QObject>

#include <memory>
#include <thread>

// Runs a whole-save restore on a worker thread, so the windows keep answering while a large
// save is copied, and reports back on the thread that owns this object.
class BackgroundRestore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundRestore)

public:
    explicit BackgroundRestore(QObject* parent = nullptr);
    // Stops a copy that is still running: the restore then leaves the save as it was.
    ~BackgroundRestore() override;

    void Start(std::shared_ptr<saver::WholeSaveRestore> restore);

signals:
    // Sent only when the percentage changes.
    void Progressed(int percent);
    void Finished(const saver::RestoreOutcome& outcome);

private:
    std::jthread m_worker;
};
