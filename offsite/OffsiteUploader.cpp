// SPDX-License-Identifier: GPL-3.0-or-later
#include "OffsiteUploader.h"

#include "BackupCatalogue.h"
#include "StatusTexts.h"

#include <QJsonObject>
#include <QSysInfo>

#include <algorithm>
#include <utility>

namespace {

using Kind = ResticOutcome::Kind;

// restic reports every few moments; a backup during which it says nothing for this long is
// stuck, on a network that went away for instance.
constexpr std::chrono::minutes kQuiet{10};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

OffsiteUploader::OffsiteUploader(saver::FileServices& files, Later later, QObject* parent)
    : QObject(parent), m_files(files), m_record(files), m_later(std::move(later))
{
}

void OffsiteUploader::SetSetup(const ResticSetup& setup)
{
    m_setup = setup;
    m_halted = false;
    RunNext();
}

void OffsiteUploader::Add(const std::string& backupFolder)
{
    // Only the list in the data folder says what is waiting: a backup that cannot be put in it
    // is not sent, and said so.
    if (const std::error_code error = m_record.Add(backupFolder)) {
        ResticOutcome unlisted;
        unlisted.message = Text(saver::FailureReason(error, m_files.AppDir()));
        m_record.MarkFailed(backupFolder); // best effort: the alert says it anyway
        emit Failed(Text(backupFolder), unlisted);
    }
    RunNext();
}

void OffsiteUploader::Resume()
{
    RunNext();
}

void OffsiteUploader::Cancel()
{
    if (m_running)
        m_running->Cancel();
}

void OffsiteUploader::RunNext()
{
    if (m_running || m_waiting || m_halted || !m_setup.options.On())
        return;
    const std::vector<std::string> waiting = m_record.Waiting();
    if (waiting.empty())
        return;
    const std::string folder = m_files.AppDir() + "/" + waiting.front();
    const std::string saveName = saver::SaveNameIn(m_files, folder);
    if (!m_files.FolderExists(folder) || saveName.empty()) {
        // Removed before its turn came: nothing is left to send.
        m_record.Remove(folder);
        RunNext();
        return;
    }
    // The backup folder itself, never the live save: the game may be writing that.
    m_running =
        new ResticRun(m_setup,
                      {QStringLiteral("backup"), QStringLiteral("--json"), QStringLiteral("--tag"),
                       Text(saveName), QStringLiteral("--tag"), Text(waiting.front()),
                       QStringLiteral("--host"), QSysInfo::machineHostName(), QStringLiteral(".")},
                      kQuiet, this);
    auto snapshotId = std::make_shared<QString>();
    connect(m_running, &ResticRun::Line, this, [this, folder, snapshotId](const QJsonObject& line) {
        const QString type = line.value(QStringLiteral("message_type")).toString();
        if (type == QStringLiteral("status"))
            emit Progressed(Text(folder), line.value(QStringLiteral("percent_done")).toDouble());
        else if (type == QStringLiteral("summary"))
            *snapshotId = line.value(QStringLiteral("snapshot_id")).toString();
    });
    connect(m_running, &ResticRun::Finished, this,
            [this, folder, snapshotId](const ResticOutcome& outcome) {
                m_running->deleteLater();
                m_running = nullptr;
                Finish(folder, *snapshotId, outcome);
            });
    m_running->Start(Text(folder));
}

void OffsiteUploader::Finish(const std::string& folder, const QString& snapshotId,
                             const ResticOutcome& outcome)
{
    switch (outcome.kind) {
    case Kind::Done:
        m_nextRetry = kFirstRetry;
        // Best effort both: a backup left in the list is sent again after a restart, which
        // adds only a snapshot, and one without its mark shows as not uploaded.
        m_record.Remove(folder);
        m_record.MarkUploaded(folder, snapshotId.toStdString());
        emit Uploaded(Text(folder), snapshotId);
        break;
    case Kind::Cancelled:
        return;
    case Kind::Locked:
    case Kind::TimedOut: {
        const std::chrono::seconds delay =
            std::exchange(m_nextRetry, std::min(m_nextRetry * 2, kLongestRetry));
        m_waiting = true;
        emit Retrying(Text(folder), delay);
        m_later(delay, [self = QPointer(this)] {
            if (self) {
                self->m_waiting = false;
                self->RunNext();
            }
        });
        return;
    }
    case Kind::WrongPassword:
    case Kind::NoRepository:
    case Kind::NotStarted:
        m_halted = true;
        emit Stopped(outcome);
        return;
    case Kind::SomeFilesUnread:
    case Kind::Failed:
        m_record.Remove(folder); // best effort, as above
        m_record.MarkFailed(folder);
        emit Failed(Text(folder), outcome);
        break;
    }
    RunNext();
}
