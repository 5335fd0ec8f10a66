// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupSession.h"

#include "DesktopNotifier.h"
#include "ResticTexts.h"

#include "ResticProgram.h"
#include "ResticRun.h"

#include "BackupNote.h"
#include "BackupVerification.h"
#include "ClockFields.h"
#include "DataLayout.h"
#include "OffsiteRecord.h"
#include "RestoreRules.h"
#include "SafeFileOps.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString KindName(saver::BackupKind kind)
{
    return kind == saver::BackupKind::WholeSave ? QStringLiteral("整体存档")
                                                : QStringLiteral("人物存档");
}

} // namespace

// restic may run a while on a slow network; the checks and lists are quick when it works.
constexpr std::chrono::minutes kResticQuiet{2};

BackupSession::BackupSession(saver::FileServices& files, saver::Clock& clock,
                             OffsiteUploader::Later later)
    : m_files(files), m_clock(clock), m_engine(files, clock), m_quickSlot(files),
      m_offsite(files, std::move(later))
{
    if (!m_engine.Load()) {
        m_status = saver::StatusTexts{saver::kSettingsFileName,
                                      "无法读取保存的存档路径，请重新选择level.dat"};
    }
    m_saveWatch.setInterval(2000);
    connect(&m_saveWatch, &QTimer::timeout, this, &BackupSession::WatchSave);
    if (m_engine.ChosenSave()) {
        m_saveWatch.start();
    }
    ConnectOffsite();
    // Goes on with the backups a former run left waiting.
    m_offsite.SetSetup(Restic(Options().offsite));
}

BackupSession::~BackupSession() = default;

QString BackupSession::DataFolder() const
{
    return QDir::toNativeSeparators(Text(m_files.AppDir()));
}

QString BackupSession::QuickSlotFile() const
{
    return QDir::toNativeSeparators(Text(m_quickSlot.SlotPath()));
}

QString BackupSession::SafetyFolder() const
{
    return QDir::toNativeSeparators(Text(m_quickSlot.SafetyFolder()));
}

QStringList BackupSession::BackupFolders() const
{
    return {DataFolder(), QDir::toNativeSeparators(Text(saver::CharacterBackupFolder(m_files))),
            SafetyFolder()};
}

QString BackupSession::ChosenSave() const
{
    return Text(m_engine.ChosenSave().value_or(std::string()));
}

std::error_code BackupSession::ChooseSave(const QString& levelDat)
{
    const std::error_code error = m_engine.ChooseSave(levelDat.toStdString());
    if (!error) {
        // A save the game had open before it was chosen is not one the player just left.
        m_saveInUse = false;
        m_saveWatch.start();
    }
    emit ChosenSaveChanged(ChosenSave());
    return error;
}

void BackupSession::SetAutoBackup(bool on)
{
    m_engine.SetAutoBackup(on);
    emit AutoBackupChanged(on);
}

void BackupSession::SetInterval(int minutes)
{
    m_engine.SetInterval(minutes);
}

void BackupSession::SetKind(saver::BackupKind kind)
{
    m_engine.SetKind(kind);
}

std::error_code BackupSession::SetOptions(const saver::BackupOptions& options)
{
    const std::error_code error = m_engine.SetOptions(options);
    m_offsite.SetSetup(Restic(Options().offsite));
    return error;
}

void BackupSession::ClearAlert()
{
    m_alert.clear();
    emit AlertChanged(m_alert);
}

void BackupSession::Tick()
{
    const saver::AutoSaver::TickOutcome tick = m_engine.Tick();
    emit CountdownChanged(Text(tick.countdown));
    Begin(tick.backup);
}

void BackupSession::StartWholeSave()
{
    Begin(m_engine.StartWholeSave());
}

void BackupSession::WatchSave()
{
    const bool inUse = SaveInUse();
    if (std::exchange(m_saveInUse, inUse) == inUse) {
        return;
    }
    emit SaveInUseChanged(inUse);
    if (!inUse) {
        Begin(m_engine.WorldClosed());
    }
}

void BackupSession::Begin(const std::optional<saver::AutoSaver::BackupStart>& start)
{
    if (!start) {
        return;
    }
    Show(start->outcome);
    if (!start->job) {
        return;
    }
    const std::shared_ptr<saver::WholeSaveJob> job = start->job;
    m_work.Run(
        this,
        [this, job](const std::stop_token& stop) {
            std::string lastText;
            // Sent only when the text changes, however often the copy reports.
            const auto progress = [this, &lastText](std::uint64_t done, std::uint64_t total) {
                if (std::string text = saver::ProgressText(done, total); text != lastText) {
                    lastText = text;
                    QMetaObject::invokeMethod(
                        this, [this, shown = Text(text)] { emit ProgressChanged(shown); },
                        Qt::QueuedConnection);
                }
            };
            return job->Run(progress, stop);
        },
        [this, job](const saver::WholeSaveResult& result) { FinishWholeSave(job, result); });
}

void BackupSession::FinishWholeSave(const std::shared_ptr<saver::WholeSaveJob>& job,
                                    const saver::WholeSaveResult& result)
{
    const saver::BackupOutcome outcome = m_engine.FinishWholeSave(*job, result);
    Show(outcome);
    if (outcome.kind == saver::BackupOutcome::Kind::Made)
        SendOffsite(result);
    Begin(m_engine.TakeWaitingBackup());
}

// Backups made or failed are events; a refusal or a start only changes the status.
void BackupSession::Show(const saver::BackupOutcome& outcome)
{
    using Kind = saver::BackupOutcome::Kind;
    m_status = saver::StatusOf(outcome);
    const QString text = Text(m_status->text);
    emit StatusChanged(Text(m_status->time), text);
    if (outcome.kind == Kind::Failed) {
        ReportFailure(KindName(outcome.backup) + QStringLiteral("备份失败"), text);
    } else if (outcome.kind == Kind::Made) {
        ReportDone(KindName(outcome.backup) + QStringLiteral("：") + text);
    }
}

void BackupSession::Quick(QuickAction action)
{
    m_quickWaiting.push_back(action);
    RunNextQuick();
}

void BackupSession::RunNextQuick()
{
    if (m_quickRunning || m_quickWaiting.empty()) {
        return;
    }
    m_quickRunning = true;
    const QuickAction action = m_quickWaiting.front();
    m_quickWaiting.pop_front();
    const std::string chosen = m_engine.ChosenSave().value_or(std::string());
    const saver::ClockFields now = saver::GetHMS(m_clock);
    m_work.Run(
        this,
        [slot = m_quickSlot, action, chosen, now](const std::stop_token&) mutable {
            return action == QuickAction::Save ? slot.QuickSave(chosen) : slot.Restore(chosen, now);
        },
        [this, action](const saver::QuickResult& result) {
            m_quickRunning = false;
            FinishQuick(action, result);
            RunNextQuick();
        });
}

void BackupSession::FinishQuick(QuickAction action, const saver::QuickResult& result)
{
    using Outcome = saver::QuickResult::Outcome;
    const bool save = action == QuickAction::Save;
    if (result.outcome == Outcome::Done) {
        ReportDone(save ? QStringLiteral("快速保存：level.dat 已存入 tmp.back")
                        : QStringLiteral("覆盖：tmp.back 已覆盖游戏的 level.dat"));
        emit QuickDone(action);
        return;
    }
    const saver::QuickTexts texts = saver::QuickTextsOf(result);
    if (result.outcome == Outcome::Failed) {
        ReportFailure((save ? QStringLiteral("快速保存") : QStringLiteral("覆盖")) +
                          QStringLiteral("失败"),
                      Text(texts.message));
    }
    emit QuickRefused(Text(texts.title), Text(texts.message), result.outcome != Outcome::NoSlot);
}

std::string BackupSession::RestoreStamp() const
{
    // The clock tells the time of day only; the date comes from the system.
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd ")).toStdString() +
           saver::BackupStamp(saver::GetHMS(m_clock));
}

saver::WholeSaveRestore::Progress BackupSession::RestoreProgress()
{
    return [this, shown = -1](std::uint64_t done, std::uint64_t total) mutable {
        const int percent = total == 0 ? 0 : static_cast<int>(std::min(done, total) * 100 / total);
        if (std::exchange(shown, percent) != percent) {
            QMetaObject::invokeMethod(
                this, [this, percent] { emit RestoreProgressed(percent); }, Qt::QueuedConnection);
        }
    };
}

std::shared_ptr<saver::WholeSaveRestore>
BackupSession::PrepareRestore(const saver::BackupEntry& entry)
{
    return std::make_shared<saver::WholeSaveRestore>(m_files, m_engine.Holds(), entry.path,
                                                     m_engine.ChosenSave().value_or(std::string()),
                                                     RestoreStamp());
}

void BackupSession::RestoreFolder(std::shared_ptr<saver::WholeSaveRestore> restore)
{
    m_work.Run(
        this,
        [restore = std::move(restore), progress = RestoreProgress()](const std::stop_token& stop) {
            return restore->Run(progress, stop);
        },
        [this](saver::RestoreOutcome outcome) {
            // A snapshot brought back by restic is restored once; the repository keeps it.
            ForgetFetchedSnapshot();
            // The staging folder is the program's own; the player chose a snapshot.
            if (outcome.backupName == saver::kOffsiteStagingName)
                outcome.backupName = "异地快照 " + m_fetchedSnapshot.toStdString();
            emit RestoreFinished(bool(outcome.error), Text(saver::RestoreText(outcome)));
        });
}

std::shared_ptr<saver::PartialRestore>
BackupSession::PreparePartialRestore(const saver::BackupEntry& entry,
                                     std::vector<std::string> chosen)
{
    return std::make_shared<saver::PartialRestore>(m_files, m_engine.Holds(), entry.path,
                                                   m_engine.ChosenSave().value_or(std::string()),
                                                   RestoreStamp(), std::move(chosen));
}

void BackupSession::RestorePartly(std::shared_ptr<saver::PartialRestore> restore)
{
    m_work.Run(
        this,
        [restore = std::move(restore), progress = RestoreProgress()](const std::stop_token& stop) {
            return restore->Run(progress, stop);
        },
        [this](const saver::PartialRestoreOutcome& outcome) {
            emit RestoreFinished(bool(outcome.restore.error),
                                 Text(saver::PartialRestoreText(outcome)));
        });
}

saver::TreeListing BackupSession::BackupContents(const saver::BackupEntry& entry)
{
    return m_files.ListTree(entry.path + "/" + entry.saveName);
}

void BackupSession::RestoreFile(const saver::BackupEntry& entry)
{
    const std::string chosen = m_engine.ChosenSave().value_or(std::string());
    const saver::ClockFields now = saver::GetHMS(m_clock);
    m_work.Run(
        this,
        [this, entry, chosen, now](const std::stop_token&) {
            const saver::QuickResult result = saver::RestoreLevelDat(m_files, entry, chosen, now);
            return std::pair(result.outcome != saver::QuickResult::Outcome::Done,
                             Text(saver::LevelDatRestoreText(result, entry.path, chosen)));
        },
        [this](const std::pair<bool, QString>& outcome) {
            emit RestoreFinished(outcome.first, outcome.second);
        });
}

bool BackupSession::SaveInUse()
{
    return saver::SaveInUse(m_files,
                            saver::FolderOf(m_engine.ChosenSave().value_or(std::string())));
}

std::error_code BackupSession::SetPinned(const saver::BackupEntry& entry, bool pinned)
{
    const std::error_code error = saver::SetPinned(m_files, entry, pinned);
    if (!error && pinned && entry.kind == saver::BackupEntry::Kind::WholeSave &&
        entry.offsite == saver::BackupEntry::Offsite::None &&
        Options().offsite.scope == saver::OffsiteScope::ManualAndPinned && Options().offsite.On())
        m_offsite.Add(entry.path);
    return error;
}

std::error_code BackupSession::SetNote(const saver::BackupEntry& entry, const QString& note)
{
    return saver::SetNote(m_files, entry, note.toStdString());
}

BackupSession::Removal BackupSession::RemoveBackup(const saver::BackupEntry& entry, bool forGood)
{
    using Kind = Removal::Kind;
    const std::optional<saver::BackupHolds::Hold> removal =
        m_engine.Holds().HoldForRemoval(entry.path);
    if (!removal) {
        return {Kind::BeingRestored, {}};
    }
    Removal done{Kind::Trashed, {}};
    if (!forGood) {
        if (!QFile::moveToTrash(Text(entry.path))) {
            return {Kind::NoTrash, {}};
        }
    } else if (const std::error_code error = entry.IsFolder() ? m_files.RemoveFolder(entry.path)
                                                              : m_files.DeleteFile(entry.path)) {
        return {Kind::Failed, error};
    } else {
        done.kind = Kind::Deleted;
    }
    // A file's marks would otherwise stay behind without their file.
    if (!entry.IsFolder()) {
        for (const std::string& mark : {saver::PinMarkPath(entry), saver::NoteMarkPath(entry)}) {
            if (!m_files.FirstEntry(mark).empty()) {
                m_files.DeleteFile(mark); // best effort: nothing lists it alone
            }
        }
    }
    return done;
}

void BackupSession::ListBackups(QObject* receiver,
                                std::function<void(std::vector<saver::BackupEntry>)> done)
{
    m_work.Run(
        receiver,
        [this](const std::stop_token&) {
            std::vector<saver::BackupEntry> entries = saver::ListBackups(m_files);
            saver::OffsiteRecord(m_files).Describe(entries);
            return entries;
        },
        std::move(done));
}

void BackupSession::MeasureBackups(QObject* receiver, std::function<void(saver::DiskUsage)> done)
{
    m_work.Run(
        receiver,
        [this](const std::stop_token&) { return saver::MeasureWholeSaveBackups(m_files); },
        std::move(done));
}

void BackupSession::Verify(const std::vector<saver::BackupEntry>& entries)
{
    if (m_verifyStop) {
        return;
    }
    m_verifyStop = std::make_shared<std::stop_source>();
    m_work.Run(
        this,
        [this, entries, cancel = m_verifyStop](const std::stop_token& stop) {
            const std::stop_callback closing(stop, [cancel] { cancel->request_stop(); });
            bool damaged = false;
            QStringList texts;
            for (std::size_t i = 0; i < entries.size() && !cancel->stop_requested(); ++i) {
                const QString name = QFileInfo(Text(entries[i].path)).fileName();
                int shown = -1;
                const auto progress = [&](std::uint64_t done, std::uint64_t total) {
                    const int percent = total == 0 ? 0 : static_cast<int>(done * 100 / total);
                    if (std::exchange(shown, percent) != percent) {
                        QMetaObject::invokeMethod(
                            this,
                            [this, i, count = entries.size(), name, percent] {
                                emit VerifyProgressed(static_cast<int>(i) + 1,
                                                      static_cast<int>(count), name, percent);
                            },
                            Qt::QueuedConnection);
                    }
                };
                const saver::VerifyOutcome outcome =
                    saver::VerifyBackup(m_files, entries[i].path, progress, cancel->get_token());
                damaged = damaged || outcome.record.state == saver::CheckRecord::State::Damaged;
                texts << Text(saver::VerifyText(name.toStdString(), outcome));
            }
            return std::pair(damaged, texts.join(QLatin1Char('\n')));
        },
        [this](const std::pair<bool, QString>& outcome) {
            m_verifyStop.reset();
            emit VerifyFinished(outcome.first, outcome.second);
        });
}

void BackupSession::CancelVerify()
{
    if (m_verifyStop) {
        m_verifyStop->request_stop();
    }
}

void BackupSession::Compare(QObject* receiver, const saver::BackupEntry& entry,
                            const std::optional<saver::BackupEntry>& other,
                            std::function<void(saver::Comparison)> done)
{
    const std::string save = saver::FolderOf(m_engine.ChosenSave().value_or(std::string()));
    m_work.Run(
        receiver,
        [this, entry, other, save](const std::stop_token& stop) {
            return other ? saver::CompareBackups(m_files, entry.path, other->path)
                         : saver::CompareWithSave(m_files, entry.path, save, stop);
        },
        std::move(done));
}

void BackupSession::Stop()
{
    m_offsite.Cancel();
    m_work.StopAll();
}

OffsiteUploader::Later BackupSession::OffsiteLater()
{
    return [](std::chrono::seconds delay, std::function<void()> then) {
        QTimer::singleShot(delay, std::move(then));
    };
}

QString BackupSession::ResticPath()
{
    return ResticProgram::Find();
}

ResticSetup BackupSession::Restic(const saver::OffsiteOptions& options) const
{
    return {ResticPath(), options};
}

void BackupSession::SendOffsite(const saver::WholeSaveResult& result)
{
    const saver::OffsiteOptions& offsite = Options().offsite;
    const bool manual = !m_files.FirstEntry(result.folder + "/" + saver::kManualMark).empty();
    const bool pinned = !m_files.FirstEntry(result.folder + "/" + saver::kPinnedMark).empty();
    if (offsite.On() && (offsite.scope == saver::OffsiteScope::Every || manual || pinned)) {
        m_offsite.Add(result.folder);
        emit OffsiteChanged();
    }
}

// Uploads are reported as backups are: what failed is alerted, what went through is logged.
void BackupSession::ConnectOffsite()
{
    connect(&m_offsite, &OffsiteUploader::Progressed, this,
            [this](const QString&, double fraction) {
                emit ProgressChanged(
                    QStringLiteral("异地备份上传中 %1%").arg(static_cast<int>(fraction * 100)));
            });
    connect(&m_offsite, &OffsiteUploader::Uploaded, this,
            [this](const QString& folder, const QString& snapshot) {
                ReportDone(QStringLiteral("异地备份：%1 已上传（快照 %2）")
                               .arg(QFileInfo(folder).fileName(), snapshot));
                ShowStatusAgain();
                emit OffsiteChanged();
            });
    connect(&m_offsite, &OffsiteUploader::Failed, this,
            [this](const QString& folder, const ResticOutcome& outcome) {
                ReportFailure(QStringLiteral("异地备份失败"), QFileInfo(folder).fileName() +
                                                                  QStringLiteral("：") +
                                                                  ResticOutcomeText(outcome));
                ShowStatusAgain();
                emit OffsiteChanged();
            });
    connect(&m_offsite, &OffsiteUploader::Stopped, this, [this](const ResticOutcome& outcome) {
        ReportFailure(QStringLiteral("异地备份已停止"), ResticOutcomeText(outcome));
    });
    connect(&m_offsite, &OffsiteUploader::Retrying, this,
            [this](const QString&, std::chrono::seconds delay) {
                const QString text =
                    QStringLiteral("异地备份：仓库正被另一个 restic 使用，%1 秒后重试")
                        .arg(delay.count());
                emit ProgressChanged(text);
                ReportDone(text);
            });
}

// The upload's progress took the place of the last backup's status, which is shown again.
void BackupSession::ShowStatusAgain()
{
    if (m_status)
        emit StatusChanged(Text(m_status->time), Text(m_status->text));
}

void BackupSession::RunRestic(const saver::OffsiteOptions& options, const QStringList& arguments,
                              QObject* receiver, std::function<void(ResticOutcome)> done,
                              const QString& folder)
{
    // Owned by the receiver: a window that closes takes its run of restic with it.
    auto* run = new ResticRun(Restic(options), arguments, kResticQuiet, receiver);
    connect(run, &ResticRun::Finished, receiver,
            [run, done = std::move(done)](const ResticOutcome& outcome) {
                run->deleteLater();
                done(outcome);
            });
    run->Start(folder);
}

void BackupSession::CheckRepository(const saver::OffsiteOptions& options, QObject* receiver,
                                    std::function<void(ResticOutcome)> done)
{
    RunRestic(options, {QStringLiteral("cat"), QStringLiteral("config")}, receiver,
              std::move(done));
}

void BackupSession::CreateRepository(const saver::OffsiteOptions& options, QObject* receiver,
                                     std::function<void(ResticOutcome)> done)
{
    RunRestic(options, {QStringLiteral("init")}, receiver, std::move(done));
}

void BackupSession::ListSnapshots(QObject* receiver,
                                  std::function<void(ResticOutcome, std::vector<Snapshot>)> done)
{
    const QString save = QFileInfo(Text(saver::FolderOf(ChosenSave().toStdString()))).fileName();
    RunRestic(
        Options().offsite,
        {QStringLiteral("snapshots"), QStringLiteral("--json"), QStringLiteral("--tag"), save},
        receiver, [done = std::move(done)](const ResticOutcome& outcome) {
            done(outcome, Snapshot::ListFrom(outcome.output));
        });
}

void BackupSession::MeasureSnapshot(const QString& id, QObject* receiver,
                                    std::function<void(qint64)> done)
{
    RunRestic(Options().offsite, {QStringLiteral("stats"), id, QStringLiteral("--json")}, receiver,
              [done = std::move(done)](const ResticOutcome& outcome) {
                  done(outcome.kind == ResticOutcome::Kind::Done
                           ? Snapshot::SizeFrom(outcome.output)
                           : -1);
              });
}

std::string BackupSession::StagingFolder() const
{
    return m_files.AppDir() + "/" + saver::kOffsiteStagingName;
}

void BackupSession::ForgetFetchedSnapshot()
{
    if (m_files.FolderExists(StagingFolder()))
        m_files.RemoveFolder(StagingFolder());
}

void BackupSession::FetchSnapshot(const QString& id, QObject* receiver,
                                  std::function<void(ResticOutcome, saver::BackupEntry)> done)
{
    const std::string staging = StagingFolder();
    m_fetchedSnapshot = id.left(8);
    // Left by a fetch or a restore that did not end: nothing else uses it.
    std::error_code error =
        m_files.FolderExists(staging) ? m_files.RemoveFolder(staging) : std::error_code();
    if (error || (error = m_files.MakeDir(staging))) {
        ResticOutcome refused;
        refused.message = Text(saver::FailureReason(error, staging));
        done(refused, {});
        return;
    }
    RunRestic(Options().offsite,
              {QStringLiteral("restore"), id, QStringLiteral("--target"), Text(staging)}, receiver,
              [this, receiver, staging, done = std::move(done)](const ResticOutcome& outcome) {
                  saver::BackupEntry entry;
                  entry.path = staging;
                  entry.saveName = saver::SaveNameIn(m_files, staging);
                  if (outcome.kind != ResticOutcome::Kind::Done) {
                      done(outcome, entry);
                      return;
                  }
                  CheckFetched(outcome, entry, receiver, done);
              });
}

// The staged copy came over the network and through restic: where it brought its manifest, a
// copy that differs from it never replaces the save.
void BackupSession::CheckFetched(const ResticOutcome& fetched, const saver::BackupEntry& entry,
                                 QObject* receiver,
                                 const std::function<void(ResticOutcome, saver::BackupEntry)>& done)
{
    m_work.Run(
        receiver,
        [this, path = entry.path](const std::stop_token& stop) {
            return saver::VerifyBackup(m_files, path, {}, stop);
        },
        [fetched, entry, done](const saver::VerifyOutcome& checked) {
            ResticOutcome outcome = fetched;
            if (checked.error || checked.record.state == saver::CheckRecord::State::Damaged) {
                outcome.kind = ResticOutcome::Kind::Failed;
                outcome.exitCode = -1;
                outcome.message = Text(saver::VerifyText("取回的快照", checked));
            }
            done(outcome, entry);
        });
}

void BackupSession::ReportDone(const QString& text)
{
    emit Logged(AddToLog(text));
}

// A failure reaches the player in the game: the countdown turns red until the main window is
// opened, and the desktop says it.
void BackupSession::ReportFailure(const QString& title, const QString& text)
{
    m_alert = title + QStringLiteral("：") + text;
    emit AlertChanged(m_alert);
    if (m_notifier) {
        m_notifier->Notify(title, text);
    }
    emit Logged(AddToLog(text));
}

QString BackupSession::AddToLog(const QString& text)
{
    QString entry = Text(m_clock.ClockText()) + QLatin1Char(' ') + text;
    m_log.Add(entry);
    return entry;
}
