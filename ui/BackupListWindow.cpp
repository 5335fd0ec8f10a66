// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupListWindow.h"

#include "BackupComparisonWindow.h"
#include "BackupSession.h"
#include "FolderOpener.h"
#include "OffsiteListWindow.h"
#include "PartialRestoreDialog.h"
#include "UserPrompt.h"

#include "BackupNote.h"
#include "SafeFileOps.h"
#include "StatusTexts.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

using Kind = saver::BackupEntry::Kind;

// Enough of a note for the list; the whole of it is in the tooltip.
constexpr std::size_t kNoteShown = 40;

constexpr Kind kKinds[] = {Kind::WholeSave, Kind::BeforeRestore, Kind::Character,
                           Kind::BeforeOverwrite, Kind::QuickSlot};

constexpr int kCheckColumn = 5;

QString KindText(Kind kind)
{
    switch (kind) {
    case Kind::WholeSave:
        return QStringLiteral("整体存档");
    case Kind::BeforeRestore:
        return QStringLiteral("恢复前的存档");
    case Kind::Character:
        return QStringLiteral("人物存档");
    case Kind::BeforeOverwrite:
        return QStringLiteral("覆盖前的level.dat");
    case Kind::QuickSlot:
        return QStringLiteral("快速存档");
    }
    return {};
}

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// A path as the system writes it.
QString Shown(const std::string& path)
{
    return QDir::toNativeSeparators(Text(path));
}

// A folder's files shared with other backups are on disk only once.
QString SizeColumn(const saver::BackupEntry& entry)
{
    QString text = Text(saver::SizeText(entry.bytes));
    if (entry.IsFolder() && entry.unsharedBytes != entry.bytes) {
        text += QStringLiteral("（独占 ") + Text(saver::SizeText(entry.unsharedBytes)) +
                QStringLiteral("）");
    }
    return text;
}

constexpr int kNoteColumn = 6;

QString OffsiteText(saver::BackupEntry::Offsite offsite)
{
    using Offsite = saver::BackupEntry::Offsite;
    switch (offsite) {
    case Offsite::Uploaded:
        return QStringLiteral("已异地");
    case Offsite::Waiting:
        return QStringLiteral("等待上传");
    case Offsite::Failed:
        return QStringLiteral("上传失败");
    case Offsite::None:
        break;
    }
    return {};
}

QTreeWidgetItem* Row(const saver::BackupEntry& entry)
{
    const QDateTime made = QDateTime::fromMSecsSinceEpoch(entry.madeNs / 1'000'000);
    auto* row = new QTreeWidgetItem(
        {made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
         KindText(entry.kind) + (entry.worldClosed ? QStringLiteral("（退出存档时）") : QString()),
         entry.saveName.empty() ? QStringLiteral("—") : Text(entry.saveName), SizeColumn(entry),
         entry.pinned ? QStringLiteral("★ 固定") : QString(),
         entry.IsFolder() ? Text(saver::CheckStateText(entry.check)) : QString(),
         Text(saver::NoteSummary(entry.note, kNoteShown)), OffsiteText(entry.offsite)});
    row->setData(0, Qt::UserRole, Text(entry.path));
    row->setToolTip(0, Shown(entry.path));
    if (entry.IsFolder()) {
        row->setToolTip(kCheckColumn, Text(saver::CheckDetailText(entry.check)));
    }
    row->setToolTip(kNoteColumn, Text(entry.note));
    return row;
}

} // namespace

BackupListWindow::BackupListWindow(BackupSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), lblSave(new QLabel(this)), cboKind(new QComboBox(this)),
      txtFilter(new QLineEdit(this)), lstBackups(new QTreeWidget(this)),
      cmdRestore(new QPushButton(QStringLiteral("恢复"), this)),
      cmdPin(new QPushButton(QStringLiteral("固定"), this)),
      cmdOpen(new QPushButton(QStringLiteral("打开文件夹"), this)),
      cmdDelete(new QPushButton(QStringLiteral("删除"), this)),
      cmdPartialRestore(new QPushButton(QStringLiteral("部分恢复"), this)),
      cmdNote(new QPushButton(QStringLiteral("备注"), this)),
      cmdOffsiteList(new QPushButton(QStringLiteral("异地备份列表"), this)),
      barRestore(new QProgressBar(this)), cmdCompare(new QPushButton(QStringLiteral("比较"), this)),
      cmdVerify(new QPushButton(QStringLiteral("校验"), this)),
      cmdVerifyAll(new QPushButton(QStringLiteral("全部校验"), this)),
      barVerify(new QProgressBar(this)),
      cmdCancelVerify(new QPushButton(QStringLiteral("取消"), this)), lblOutcome(new QLabel(this)),
      m_session(session)
{
    setObjectName(QStringLiteral("BackupListWindow"));
    setWindowTitle(QStringLiteral("备份列表"));
    LayOut();

    m_refreshSoon.setSingleShot(true);
    m_refreshSoon.setInterval(200);
    m_lockPoll.setInterval(2000);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, &m_refreshSoon,
            qOverload<>(&QTimer::start));
    connect(&m_refreshSoon, &QTimer::timeout, this, &BackupListWindow::Refresh);
    connect(&m_lockPoll, &QTimer::timeout, this, &BackupListWindow::ShowSaveState);
    connect(cboKind, &QComboBox::currentIndexChanged, this, &BackupListWindow::ShowEntries);
    connect(txtFilter, &QLineEdit::textChanged, this, &BackupListWindow::ShowEntries);
    connect(lstBackups, &QTreeWidget::itemSelectionChanged, this, &BackupListWindow::UpdateButtons);
    connect(cmdRestore, &QPushButton::clicked, this, &BackupListWindow::cmdRestore_Click);
    connect(cmdPin, &QPushButton::clicked, this, &BackupListWindow::cmdPin_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &BackupListWindow::cmdOpen_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &BackupListWindow::cmdDelete_Click);
    connect(cmdPartialRestore, &QPushButton::clicked, this,
            &BackupListWindow::cmdPartialRestore_Click);
    connect(cmdNote, &QPushButton::clicked, this, &BackupListWindow::cmdNote_Click);
    connect(cmdOffsiteList, &QPushButton::clicked, this, &BackupListWindow::cmdOffsiteList_Click);
    connect(&session, &BackupSession::OffsiteChanged, &m_refreshSoon, qOverload<>(&QTimer::start));
    connect(&session, &BackupSession::RestoreProgressed, barRestore, &QProgressBar::setValue);
    connect(&session, &BackupSession::RestoreFinished, this, &BackupListWindow::FinishRestore);
    connect(cmdCompare, &QPushButton::clicked, this, &BackupListWindow::cmdCompare_Click);
    connect(cmdVerify, &QPushButton::clicked, this, &BackupListWindow::cmdVerify_Click);
    connect(cmdVerifyAll, &QPushButton::clicked, this, &BackupListWindow::cmdVerifyAll_Click);
    connect(cmdCancelVerify, &QPushButton::clicked, this, &BackupListWindow::cmdCancelVerify_Click);
    connect(&session, &BackupSession::VerifyProgressed, this,
            &BackupListWindow::ShowVerifyProgress);
    connect(&session, &BackupSession::VerifyFinished, this, &BackupListWindow::FinishVerify);
    m_lockPoll.start();
    Refresh();
}

void BackupListWindow::LayOut()
{
    resize(820, 460);
    cboKind->addItem(QStringLiteral("全部"), -1);
    for (const Kind kind : kKinds) {
        cboKind->addItem(KindText(kind), static_cast<int>(kind));
    }
    lstBackups->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("种类"),
                                 QStringLiteral("存档"), QStringLiteral("大小"),
                                 QStringLiteral("固定"), QStringLiteral("校验"),
                                 QStringLiteral("备注"), QStringLiteral("异地")});
    lstBackups->setRootIsDecorated(false);
    lstBackups->setSelectionMode(QAbstractItemView::SingleSelection);
    lstBackups->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    barRestore->setRange(0, 100);
    barRestore->hide();
    lblOutcome->setWordWrap(true);
    lblOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(lblSave, 1);
    top->addWidget(new QLabel(QStringLiteral("显示："), this));
    top->addWidget(cboKind);
    txtFilter->setPlaceholderText(QStringLiteral("筛选备注"));
    txtFilter->setClearButtonEnabled(true);
    top->addWidget(txtFilter);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdRestore, cmdPin, cmdOpen, cmdDelete}) {
        buttons->addWidget(button);
    }
    buttons->addWidget(barRestore, 1);
    barVerify->setRange(0, 100);
    barVerify->hide();
    cmdCancelVerify->hide();
    auto* more = new QHBoxLayout;
    for (QPushButton* button :
         {cmdPartialRestore, cmdCompare, cmdVerify, cmdVerifyAll, cmdNote, cmdOffsiteList}) {
        more->addWidget(button);
    }
    more->addWidget(barVerify, 1);
    more->addWidget(cmdCancelVerify);
    more->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lstBackups, 1);
    layout->addLayout(buttons);
    layout->addLayout(more);
    layout->addWidget(lblOutcome);
}

void BackupListWindow::Refresh()
{
    WatchFolders();
    ShowSaveState();
    if (m_listing) {
        m_listAgain = true;
        return;
    }
    m_listing = true;
    // Sizing the backups looks at every file in them, which with many large backups on a cold
    // disk would freeze the window for seconds.
    m_session.ListBackups(this, [this](std::vector<saver::BackupEntry> entries) {
        m_listing = false;
        m_entries = std::move(entries);
        ShowEntries();
        if (std::exchange(m_listAgain, false)) {
            Refresh();
        }
    });
}

void BackupListWindow::WatchFolders()
{
    for (const QString& folder : m_session.BackupFolders()) {
        // A folder that was removed drops out of the watch; one made since joins it.
        if (QFileInfo(folder).isDir() && !m_watcher.directories().contains(folder)) {
            m_watcher.addPath(folder);
        }
    }
}

void BackupListWindow::ShowEntries()
{
    const std::optional<saver::BackupEntry> selected = Selected();
    const int kind = cboKind->currentData().toInt();
    const QString filter = txtFilter->text();
    lstBackups->clear();
    for (const saver::BackupEntry& entry : m_entries) {
        if ((kind >= 0 && static_cast<int>(entry.kind) != kind) ||
            !Text(entry.note).contains(filter, Qt::CaseInsensitive)) {
            continue;
        }
        QTreeWidgetItem* row = Row(entry);
        lstBackups->addTopLevelItem(row);
        if (selected && selected->path == entry.path) {
            row->setSelected(true);
        }
    }
    UpdateButtons();
}

void BackupListWindow::ShowSaveState()
{
    const std::string saveFolder = saver::FolderOf(m_session.ChosenSave().toStdString());
    if (saveFolder.empty()) {
        lblSave->setText(QStringLiteral("当前存档：尚未选择"));
        return;
    }
    lblSave->setText(QStringLiteral("当前存档：") + Text(saveFolder) +
                     (m_session.SaveInUse() ? QStringLiteral("（存档使用中）") : QString()));
}

void BackupListWindow::UpdateButtons()
{
    const std::optional<saver::BackupEntry> entry = Selected();
    cmdRestore->setEnabled(entry && !m_restoring);
    cmdDelete->setEnabled(entry && !m_restoring);
    cmdPartialRestore->setEnabled(entry && entry->IsFolder() && !m_restoring);
    cmdOpen->setEnabled(entry.has_value());
    cmdPin->setEnabled(entry && entry->CanPin());
    cmdNote->setEnabled(entry && saver::CanNote(*entry));
    cmdPin->setText(entry && entry->pinned ? QStringLiteral("取消固定") : QStringLiteral("固定"));
    const bool folder = entry && entry->IsFolder();
    cmdCompare->setEnabled(folder);
    cmdVerify->setEnabled(folder && !m_session.Verifying());
    cmdVerifyAll->setEnabled(!m_session.Verifying());
}

std::optional<saver::BackupEntry> BackupListWindow::Selected() const
{
    const QList<QTreeWidgetItem*> rows = lstBackups->selectedItems();
    if (rows.isEmpty()) {
        return std::nullopt;
    }
    const std::string path = rows.front()->data(0, Qt::UserRole).toString().toStdString();
    for (const saver::BackupEntry& entry : m_entries) {
        if (entry.path == path) {
            return entry;
        }
    }
    return std::nullopt;
}

void BackupListWindow::cmdRestore_Click()
{
    if (const std::optional<saver::BackupEntry> entry = Selected(); entry && !m_restoring) {
        if (entry->IsFolder()) {
            RestoreFolder(*entry);
        } else {
            RestoreFile(*entry);
        }
    }
}

bool BackupListWindow::GoAheadWhileInUse()
{
    return !m_session.SaveInUse() ||
           UserPrompt::Confirm(this, QStringLiteral("存档使用中"),
                               QStringLiteral("游戏正在使用这个存档，请先退出到标题画面再恢复。"
                                              "\n\n仍要现在恢复吗？"));
}

void BackupListWindow::RestoreFolder(const saver::BackupEntry& entry)
{
    std::shared_ptr<saver::WholeSaveRestore> restore = m_session.PrepareRestore(entry);
    if (const std::optional<saver::RestoreOutcome::Cause> problem = restore->Problem()) {
        ShowRefused(*problem);
        return;
    }
    if (!GoAheadWhileInUse()) {
        return;
    }
    QString question = QStringLiteral("用备份 %1 恢复存档 %2？\n\n")
                           .arg(QFileInfo(Text(entry.path)).fileName(), Text(entry.saveName));
    if (QFileInfo(Text(restore->Target())).isDir()) {
        question += QStringLiteral("将被替换：%1\n现在的存档会先整个移到：%2\n"
                                   "之后可以在备份列表里恢复它，撤销这次恢复。")
                        .arg(Shown(restore->Target()), Shown(restore->KeptSaveStem()));
    } else {
        question +=
            QStringLiteral("存档将放到：%1（那里现在没有存档）").arg(Shown(restore->Target()));
    }
    if (!UserPrompt::Confirm(this, QStringLiteral("恢复整体存档"), question)) {
        return;
    }
    BeginRestore(Text(entry.saveName));
    m_session.RestoreFolder(std::move(restore));
}

void BackupListWindow::cmdPartialRestore_Click()
{
    const std::optional<saver::BackupEntry> entry = Selected();
    if (!entry || !entry->IsFolder() || m_restoring) {
        return;
    }
    const saver::TreeListing contents = m_session.BackupContents(*entry);
    if (contents.error) {
        ShowOutcome(QStringLiteral("无法恢复"),
                    QStringLiteral("无法读取备份：") +
                        Text(saver::FailureReason(contents.error, entry->path)));
        return;
    }
    PartialRestoreDialog dialog(contents.entries, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::vector<std::string> chosen = dialog.Chosen();
    std::shared_ptr<saver::PartialRestore> restore =
        m_session.PreparePartialRestore(*entry, chosen);
    if (const std::optional<saver::RestoreOutcome::Cause> problem = restore->Problem()) {
        ShowRefused(*problem);
        return;
    }
    if (!GoAheadWhileInUse()) {
        return;
    }
    QStringList names;
    for (const std::string& name : chosen) {
        names << QDir::toNativeSeparators(Text(name));
    }
    const QString question =
        QStringLiteral("用备份 %1 恢复存档 %2 里的：\n%3\n\n存档里被替换的文件会先移到：%4\n"
                       "存档里其余的文件保持不变。")
            .arg(QFileInfo(Text(entry->path)).fileName(), Shown(restore->Target()),
                 names.join(QLatin1Char('\n')), Shown(restore->KeptFilesStem()));
    if (!UserPrompt::Confirm(this, QStringLiteral("部分恢复"), question)) {
        return;
    }
    BeginRestore(Text(entry->saveName));
    m_session.RestorePartly(std::move(restore));
}

void BackupListWindow::ShowRefused(saver::RestoreOutcome::Cause cause)
{
    saver::RestoreOutcome refused;
    refused.cause = cause;
    ShowOutcome(QStringLiteral("无法恢复"), Text("无法恢复：" + saver::RestoreReason(refused)));
}

void BackupListWindow::BeginRestore(const QString& saveName)
{
    m_restoring = true;
    UpdateButtons();
    barRestore->setValue(0);
    barRestore->show();
    lblOutcome->setText(QStringLiteral("正在恢复 ") + saveName + QStringLiteral("…"));
}

void BackupListWindow::FinishRestore(bool failed, const QString& text)
{
    m_restoring = false;
    barRestore->hide();
    ShowOutcome(failed ? QStringLiteral("恢复失败") : QStringLiteral("恢复完成"), text);
    Refresh();
}

void BackupListWindow::RestoreFile(const saver::BackupEntry& entry)
{
    const QString chosen = m_session.ChosenSave();
    if (saver::FolderOf(chosen.toStdString()).empty()) {
        ShowOutcome(QStringLiteral("无法恢复"),
                    QStringLiteral("无法恢复：请先选择level.dat的路径"));
        return;
    }
    if (!GoAheadWhileInUse() ||
        !UserPrompt::Confirm(this, QStringLiteral("覆盖level.dat"),
                             QStringLiteral("用 %1 覆盖 %2？\n\n原来的 level.dat 会先复制到 %3")
                                 .arg(Shown(entry.path), QDir::toNativeSeparators(chosen),
                                      m_session.SafetyFolder()))) {
        return;
    }
    m_restoring = true;
    UpdateButtons();
    m_session.RestoreFile(entry);
}

void BackupListWindow::cmdPin_Click()
{
    if (const std::optional<saver::BackupEntry> entry = Selected()) {
        if (const std::error_code error = m_session.SetPinned(*entry, !entry->pinned)) {
            ShowOutcome(QStringLiteral("固定失败"),
                        QStringLiteral("无法更改：") +
                            Text(saver::FailureReason(error, entry->path)));
        }
        Refresh();
    }
}

void BackupListWindow::cmdNote_Click()
{
    const std::optional<saver::BackupEntry> entry = Selected();
    if (!entry || !saver::CanNote(*entry)) {
        return;
    }
    bool ok = false;
    const QString note = QInputDialog::getMultiLineText(
        this, QStringLiteral("备注"),
        QStringLiteral("%1 的备注（留空则删除）：").arg(QFileInfo(Text(entry->path)).fileName()),
        Text(entry->note), &ok);
    if (!ok) {
        return;
    }
    if (const std::error_code error = m_session.SetNote(*entry, note)) {
        ShowOutcome(QStringLiteral("备注失败"), QStringLiteral("无法保存备注：") +
                                                    Text(saver::FailureReason(error, entry->path)));
    }
    Refresh();
}

void BackupListWindow::cmdOpen_Click()
{
    if (const std::optional<saver::BackupEntry> entry = Selected()) {
        const QString folder =
            Shown(entry->IsFolder() ? entry->path : saver::FolderOf(entry->path));
        if (!FolderOpener::Open(folder)) {
            ShowOutcome(QStringLiteral("无法打开"), QStringLiteral("无法打开文件夹：") + folder);
        }
    }
}

void BackupListWindow::cmdDelete_Click()
{
    const std::optional<saver::BackupEntry> entry = Selected();
    if (!entry || m_restoring ||
        (entry->pinned && !UserPrompt::Confirm(this, QStringLiteral("删除备份"),
                                               QStringLiteral("这个备份已固定，仍要删除吗？")))) {
        return;
    }
    using Kind = BackupSession::Removal::Kind;
    const QString name = QFileInfo(Text(entry->path)).fileName();
    BackupSession::Removal removal = m_session.RemoveBackup(*entry, false);
    if (removal.kind == Kind::NoTrash) {
        if (!UserPrompt::Confirm(this, QStringLiteral("删除备份"),
                                 QStringLiteral("无法把 %1 移到回收站。要永久删除它吗？"
                                                "删除后无法找回。")
                                     .arg(name))) {
            return;
        }
        removal = m_session.RemoveBackup(*entry, true);
    }
    QString text;
    switch (removal.kind) {
    case Kind::BeingRestored:
        text = QStringLiteral("无法删除 %1：正在从它恢复存档，请等恢复结束后再删除").arg(name);
        break;
    case Kind::Trashed:
        text = QStringLiteral("已移到回收站：") + name;
        break;
    case Kind::Deleted:
        text = QStringLiteral("已永久删除：") + name;
        break;
    default:
        text = QStringLiteral("删除失败：") +
               Text(saver::FailureReason(removal.error, saver::FolderOf(entry->path)));
    }
    ShowOutcome(QStringLiteral("删除备份"), text);
    Refresh();
}

void BackupListWindow::cmdOffsiteList_Click()
{
    auto* window = findChild<OffsiteListWindow*>();
    if (!window)
        window = new OffsiteListWindow(m_session, this);
    window->show();
    window->raise();
    window->activateWindow();
}

void BackupListWindow::ShowOutcome(const QString& title, const QString& text)
{
    lblOutcome->setText(text);
    UserPrompt::Inform(this, title, text);
}

void BackupListWindow::cmdCompare_Click()
{
    const std::optional<saver::BackupEntry> entry = Selected();
    if (!entry || !entry->IsFolder()) {
        return;
    }
    std::vector<saver::BackupEntry> others;
    for (const saver::BackupEntry& other : m_entries) {
        if (other.IsFolder() && other.saveName == entry->saveName && other.path != entry->path) {
            others.push_back(other);
        }
    }
    auto* window = new BackupComparisonWindow(m_session, *entry, std::move(others), this);
    window->show();
}

void BackupListWindow::cmdVerify_Click()
{
    if (const std::optional<saver::BackupEntry> entry = Selected(); entry && entry->IsFolder()) {
        StartVerify({*entry});
    }
}

void BackupListWindow::cmdVerifyAll_Click()
{
    std::vector<saver::BackupEntry> folders;
    std::copy_if(m_entries.begin(), m_entries.end(), std::back_inserter(folders),
                 [](const saver::BackupEntry& entry) { return entry.IsFolder(); });
    if (!folders.empty()) {
        StartVerify(folders);
    }
}

void BackupListWindow::cmdCancelVerify_Click()
{
    m_session.CancelVerify();
}

void BackupListWindow::StartVerify(const std::vector<saver::BackupEntry>& entries)
{
    if (m_session.Verifying()) {
        return;
    }
    m_session.Verify(entries);
    barVerify->setValue(0);
    barVerify->setFormat(QStringLiteral("正在校验…"));
    barVerify->show();
    cmdCancelVerify->show();
    UpdateButtons();
}

void BackupListWindow::ShowVerifyProgress(int index, int count, const QString& name, int percent)
{
    barVerify->setFormat(QStringLiteral("校验 %1/%2 %3：%p%").arg(index).arg(count).arg(name));
    barVerify->setValue(percent);
}

void BackupListWindow::FinishVerify(bool damaged, const QString& text)
{
    barVerify->hide();
    cmdCancelVerify->hide();
    UpdateButtons();
    ShowOutcome(damaged ? QStringLiteral("备份已损坏") : QStringLiteral("校验完成"), text);
    Refresh();
}
