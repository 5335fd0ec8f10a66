// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupListWindow.h"

#include "BackupSession.h"
#include "FolderOpener.h"
#include "OffsiteListWindow.h"
#include "UserPrompt.h"

#include "SafeFileOps.h"
#include "StatusTexts.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

using Kind = saver::BackupEntry::Kind;

constexpr Kind kKinds[] = {Kind::WholeSave, Kind::BeforeRestore, Kind::Character,
                           Kind::BeforeOverwrite, Kind::QuickSlot};

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
        {made.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), KindText(entry.kind),
         entry.saveName.empty() ? QStringLiteral("—") : Text(entry.saveName), SizeColumn(entry),
         entry.pinned ? QStringLiteral("★ 固定") : QString(), OffsiteText(entry.offsite)});
    row->setData(0, Qt::UserRole, Text(entry.path));
    row->setToolTip(0, Shown(entry.path));
    return row;
}

} // namespace

BackupListWindow::BackupListWindow(BackupSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), lblSave(new QLabel(this)), cboKind(new QComboBox(this)),
      lstBackups(new QTreeWidget(this)), cmdRestore(new QPushButton(QStringLiteral("恢复"), this)),
      cmdPin(new QPushButton(QStringLiteral("固定"), this)),
      cmdOpen(new QPushButton(QStringLiteral("打开文件夹"), this)),
      cmdDelete(new QPushButton(QStringLiteral("删除"), this)),
      cmdOffsiteList(new QPushButton(QStringLiteral("异地备份列表"), this)),
      barRestore(new QProgressBar(this)), lblOutcome(new QLabel(this)), m_session(session)
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
    connect(lstBackups, &QTreeWidget::itemSelectionChanged, this, &BackupListWindow::UpdateButtons);
    connect(cmdRestore, &QPushButton::clicked, this, &BackupListWindow::cmdRestore_Click);
    connect(cmdPin, &QPushButton::clicked, this, &BackupListWindow::cmdPin_Click);
    connect(cmdOpen, &QPushButton::clicked, this, &BackupListWindow::cmdOpen_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &BackupListWindow::cmdDelete_Click);
    connect(cmdOffsiteList, &QPushButton::clicked, this, &BackupListWindow::cmdOffsiteList_Click);
    connect(&session, &BackupSession::OffsiteChanged, &m_refreshSoon, qOverload<>(&QTimer::start));
    connect(&session, &BackupSession::RestoreProgressed, barRestore, &QProgressBar::setValue);
    connect(&session, &BackupSession::RestoreFinished, this, &BackupListWindow::FinishRestore);
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
                                 QStringLiteral("固定"), QStringLiteral("异地")});
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
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {cmdRestore, cmdPin, cmdOpen, cmdDelete}) {
        buttons->addWidget(button);
    }
    buttons->addWidget(barRestore, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lstBackups, 1);
    layout->addLayout(buttons);
    auto* moreButtons = new QHBoxLayout;
    moreButtons->addWidget(cmdOffsiteList);
    moreButtons->addStretch(1);
    layout->addLayout(moreButtons);
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
    lstBackups->clear();
    for (const saver::BackupEntry& entry : m_entries) {
        if (kind >= 0 && static_cast<int>(entry.kind) != kind) {
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
    cmdOpen->setEnabled(entry.has_value());
    cmdPin->setEnabled(entry && entry->CanPin());
    cmdPin->setText(entry && entry->pinned ? QStringLiteral("取消固定") : QStringLiteral("固定"));
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
        saver::RestoreOutcome refused;
        refused.cause = *problem;
        ShowOutcome(QStringLiteral("无法恢复"), Text("无法恢复：" + saver::RestoreReason(refused)));
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
    m_restoring = true;
    UpdateButtons();
    barRestore->setValue(0);
    barRestore->show();
    lblOutcome->setText(QStringLiteral("正在恢复 ") + Text(entry.saveName) + QStringLiteral("…"));
    m_session.RestoreFolder(std::move(restore));
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
