// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackgroundWork.h"
#include "EventLog.h"

#include "OffsiteUploader.h"
#include "ResticOutcome.h"
#include "Snapshot.h"

#include "AutoSaver.h"
#include "BackupCatalogue.h"
#include "BackupComparison.h"
#include "PartialRestore.h"
#include "QuickSlot.h"
#include "Services.h"
#include "StatusTexts.h"
#include "WholeSaveRestore.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

class DesktopNotifier;

// The program while it runs, one for all its windows: the chosen save, the automatic backup,
// the quick slot, restores, the event log and the alerts. Every action of the windows, the
// tray and the hotkeys comes here; what takes the disk runs beside the window thread, and
// what became of it comes back as signals for the windows to show.
class BackupSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackupSession)

public:
    enum class QuickAction { Save, Restore };
    // What became of a backup the player asked to delete.
    struct Removal
    {
        enum class Kind { Trashed, Deleted, BeingRestored, NoTrash, Failed };
        Kind kind;
        std::error_code error; // Failed
    };

    // `later` times the retries of uploads to a locked repository.
    BackupSession(saver::FileServices& files, saver::Clock& clock,
                  OffsiteUploader::Later later = OffsiteLater());
    ~BackupSession() override;

    saver::FileServices& Files() { return m_files; }
    // Paths as the system writes them, to be shown.
    QString DataFolder() const;
    QString QuickSlotFile() const;
    // Where a quick restore and a restore of level.dat keep the file they replace.
    QString SafetyFolder() const;
    // The folders where backups come and go.
    QStringList BackupFolders() const;
    // The chosen level.dat, or "" before the player chooses one.
    QString ChosenSave() const;
    const saver::BackupOptions& Options() const { return m_engine.Options(); }
    bool AutoBackupOn() const { return m_engine.AutoBackupOn(); }
    // The last status of a backup, or of the settings when they could not be read at start.
    const std::optional<saver::StatusTexts>& Status() const { return m_status; }
    const EventLog& Log() const { return m_log; }
    // The failure the player has not seen yet in the main window; "" when there is none.
    const QString& Alert() const { return m_alert; }
    // Where failures go besides the windows; none until the program sets one.
    void SetNotifier(DesktopNotifier* notifier) { m_notifier = notifier; }

    std::error_code ChooseSave(const QString& levelDat);
    void SetAutoBackup(bool on);
    void SetInterval(int minutes);
    void SetKind(saver::BackupKind kind);
    std::error_code SetOptions(const saver::BackupOptions& options);
    // The player has opened the main window and seen the status.
    void ClearAlert();

    // Called once a second while automatic backup is on.
    void Tick();
    void StartWholeSave();
    // Quick actions run one after another, in the order asked.
    void Quick(QuickAction action);

    // Restores from the backup list; each ends with RestoreFinished. A whole-save restore is
    // prepared first, so that the player can be told what it will replace.
    std::shared_ptr<saver::WholeSaveRestore> PrepareRestore(const saver::BackupEntry& entry);
    void RestoreFolder(std::shared_ptr<saver::WholeSaveRestore> restore);
    void RestoreFile(const saver::BackupEntry& entry);
    // Of a whole-save backup, only `chosen` (files and folders below its save) are put back.
    std::shared_ptr<saver::PartialRestore> PreparePartialRestore(const saver::BackupEntry& entry,
                                                                 std::vector<std::string> chosen);
    void RestorePartly(std::shared_ptr<saver::PartialRestore> restore);
    // What the save in a whole-save backup holds, to choose from.
    saver::TreeListing BackupContents(const saver::BackupEntry& entry);
    // Whether the game has the chosen save open.
    bool SaveInUse();
    std::error_code SetPinned(const saver::BackupEntry& entry, bool pinned);
    // Keeps the player's note on a backup, or removes it when blank; quick, and never waits for
    // a backup under way.
    std::error_code SetNote(const saver::BackupEntry& entry, const QString& note);
    // To the trash, or for good when asked; a backup being restored from stays.
    Removal RemoveBackup(const saver::BackupEntry& entry, bool forGood);

    // Slow reads of the data folder, answered on the window thread unless `receiver` is gone.
    void ListBackups(QObject* receiver, std::function<void(std::vector<saver::BackupEntry>)> done);
    void MeasureBackups(QObject* receiver, std::function<void(saver::DiskUsage)> done);

    // Checks the backups one after another against their manifests, at the disk's idle
    // priority: VerifyProgressed while it reads, VerifyFinished once all are done or it was
    // cancelled. One check at a time; while one runs, another is not started.
    void Verify(const std::vector<saver::BackupEntry>& entries);
    void CancelVerify();
    bool Verifying() const { return m_verifyStop != nullptr; }
    // What changed from `entry` to the chosen save now, or to the backup `other`.
    void Compare(QObject* receiver, const saver::BackupEntry& entry,
                 const std::optional<saver::BackupEntry>& other,
                 std::function<void(saver::Comparison)> done);

    // Ends the work under way, without waiting: the program is closing.
    void Stop();

    // The off-site copies, kept by restic. Each answer comes on the window thread unless
    // `receiver` is gone.
    static OffsiteUploader::Later OffsiteLater();
    // "" when restic is not installed.
    static QString ResticPath();
    // Whether `options` name a repository restic can open; NoRepository when there is none.
    void CheckRepository(const saver::OffsiteOptions& options, QObject* receiver,
                         std::function<void(ResticOutcome)> done);
    void CreateRepository(const saver::OffsiteOptions& options, QObject* receiver,
                          std::function<void(ResticOutcome)> done);
    // The snapshots of the chosen save, newest first.
    void ListSnapshots(QObject* receiver,
                       std::function<void(ResticOutcome, std::vector<Snapshot>)> done);
    // What a snapshot restores, in bytes; -1 when restic could not tell.
    void MeasureSnapshot(const QString& id, QObject* receiver, std::function<void(qint64)> done);
    // Brings a snapshot back into a folder of the data folder, from which it is restored like
    // a backup there; that folder goes when the restore ends.
    void FetchSnapshot(const QString& id, QObject* receiver,
                       std::function<void(ResticOutcome, saver::BackupEntry)> done);
    // The snapshot brought back is not wanted any more; best effort, cleared again at start.
    void ForgetFetchedSnapshot();

signals:
    void StatusChanged(const QString& time, const QString& text);
    void ProgressChanged(const QString& text);
    void CountdownChanged(const QString& countdown);
    void AutoBackupChanged(bool on);
    void ChosenSaveChanged(const QString& levelDat);
    void AlertChanged(const QString& alert);
    // An entry was added to the log.
    void Logged(const QString& entry);
    void QuickDone(BackupSession::QuickAction action);
    // A quick action that did not go through: the player is shown `text`; a missing slot is a
    // plain notice, anything else a warning.
    void QuickRefused(const QString& title, const QString& text, bool warning);
    void RestoreProgressed(int percent);
    // A whole-save backup was taken off this machine, or failed to be: the lists change.
    void OffsiteChanged();
    void RestoreFinished(bool failed, const QString& text);
    // Backup `index` of `count`, named `name`, read to `percent`.
    void VerifyProgressed(int index, int count, const QString& name, int percent);
    // `damaged`: some backup was found damaged; `text` says what each check found.
    void VerifyFinished(bool damaged, const QString& text);
    // The game took or let go of the chosen save.
    void SaveInUseChanged(bool inUse);

private:
    void CheckFetched(const ResticOutcome& fetched, const saver::BackupEntry& entry,
                      QObject* receiver,
                      const std::function<void(ResticOutcome, saver::BackupEntry)>& done);
    void WatchSave();
    void Show(const saver::BackupOutcome& outcome);
    void Begin(const std::optional<saver::AutoSaver::BackupStart>& start);
    void FinishWholeSave(const std::shared_ptr<saver::WholeSaveJob>& job,
                         const saver::WholeSaveResult& result);
    void RunNextQuick();
    void FinishQuick(QuickAction action, const saver::QuickResult& result);
    // Names the 【恢复前】 folder of a restore begun now.
    std::string RestoreStamp() const;
    // Tells the windows how far a restore has got, when the percentage changes.
    saver::WholeSaveRestore::Progress RestoreProgress();
    void ReportDone(const QString& text);
    void ReportFailure(const QString& title, const QString& text);
    QString AddToLog(const QString& text);
    ResticSetup Restic(const saver::OffsiteOptions& options) const;
    void SendOffsite(const saver::WholeSaveResult& result);
    void ConnectOffsite();
    void ShowStatusAgain();
    void RunRestic(const saver::OffsiteOptions& options, const QStringList& arguments,
                   QObject* receiver, std::function<void(ResticOutcome)> done,
                   const QString& folder = {});
    std::string StagingFolder() const;

    saver::FileServices& m_files;
    saver::Clock& m_clock;
    saver::AutoSaver m_engine;
    saver::QuickSlot m_quickSlot;
    std::optional<saver::StatusTexts> m_status;
    EventLog m_log;
    QString m_alert;
    // The snapshot last brought into the staging folder, as the off-site list shows it.
    QString m_fetchedSnapshot;
    DesktopNotifier* m_notifier = nullptr;
    std::deque<QuickAction> m_quickWaiting;
    bool m_quickRunning = false;
    // Set while a check runs: cancels it without stopping other work.
    std::shared_ptr<std::stop_source> m_verifyStop;
    // The game holds its save's session.lock while the world is open; letting go of it is
    // told by nothing but the lock.
    QTimer m_saveWatch;
    bool m_saveInUse = false;
    OffsiteUploader m_offsite;
    // Last: a job still running is stopped and waited for before what it uses goes.
    BackgroundWork m_work;
};
