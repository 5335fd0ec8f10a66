// SPDX-License-Identifier: GPL-3.0-or-later
#include "OffsiteListWindow.h"

#include "BackupSession.h"
#include "ResticTexts.h"
#include "UserPrompt.h"

#include "StatusTexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The tag that names the backup folder the snapshot was taken of.
QString BackupTag(const Snapshot& snapshot)
{
    for (const QString& tag : snapshot.tags) {
        if (tag.startsWith(QStringLiteral("【")))
            return tag;
    }
    return {};
}

} // namespace

OffsiteListWindow::OffsiteListWindow(BackupSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), lstSnapshots(new QTreeWidget(this)),
      cmdRefresh(new QPushButton(QStringLiteral("刷新"), this)),
      cmdRestore(new QPushButton(QStringLiteral("恢复"), this)), lblOutcome(new QLabel(this)),
      m_session(session)
{
    setObjectName(QStringLiteral("OffsiteListWindow"));
    setWindowTitle(QStringLiteral("异地备份列表"));
    resize(640, 360);
    lstSnapshots->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("主机"),
                                   QStringLiteral("大小"), QStringLiteral("备份"),
                                   QStringLiteral("快照")});
    lstSnapshots->setRootIsDecorated(false);
    lstSnapshots->setSelectionMode(QAbstractItemView::SingleSelection);
    lstSnapshots->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lblOutcome->setWordWrap(true);
    lblOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRestore);
    buttons->addWidget(cmdRefresh);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstSnapshots, 1);
    layout->addLayout(buttons);
    layout->addWidget(lblOutcome);

    connect(lstSnapshots, &QTreeWidget::itemSelectionChanged, this,
            &OffsiteListWindow::UpdateButtons);
    connect(cmdRefresh, &QPushButton::clicked, this, &OffsiteListWindow::Refresh);
    connect(cmdRestore, &QPushButton::clicked, this, &OffsiteListWindow::cmdRestore_Click);
    connect(&session, &BackupSession::RestoreFinished, this, [this](bool, const QString& text) {
        m_busy = false;
        lblOutcome->setText(text);
        UpdateButtons();
    });
    Refresh();
}

void OffsiteListWindow::Refresh()
{
    QString missing;
    if (m_session.Options().offsite.repository.empty())
        missing = QStringLiteral("还没有设置 restic 仓库：请在“备份管理”的“异地备份”里设置。");
    else if (m_session.ChosenSave().isEmpty())
        missing = QStringLiteral("请先选择level.dat的路径：列出的是这个存档的快照。");
    if (!missing.isEmpty()) {
        lblOutcome->setText(missing);
        UpdateButtons();
        return;
    }
    m_busy = true;
    UpdateButtons();
    lblOutcome->setText(QStringLiteral("正在读取仓库…"));
    m_session.ListSnapshots(this,
                            [this](const ResticOutcome& outcome, std::vector<Snapshot> snapshots) {
                                ShowSnapshots(outcome, std::move(snapshots));
                            });
}

void OffsiteListWindow::ShowSnapshots(const ResticOutcome& outcome, std::vector<Snapshot> snapshots)
{
    m_busy = false;
    m_snapshots = std::move(snapshots);
    lstSnapshots->clear();
    for (const Snapshot& snapshot : m_snapshots) {
        lstSnapshots->addTopLevelItem(new QTreeWidgetItem(
            {snapshot.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
             snapshot.host, QStringLiteral("…"), BackupTag(snapshot), snapshot.shortId}));
    }
    lblOutcome->setText(outcome.kind == ResticOutcome::Kind::Done
                            ? QStringLiteral("共 %1 个快照").arg(m_snapshots.size())
                            : ResticOutcomeText(outcome));
    UpdateButtons();
    MeasureFrom(0);
}

void OffsiteListWindow::MeasureFrom(int row)
{
    if (row >= static_cast<int>(m_snapshots.size()))
        return;
    const QString id = m_snapshots[static_cast<std::size_t>(row)].id;
    m_session.MeasureSnapshot(id, this, [this, row, id](qint64 bytes) {
        // A refresh meanwhile lists other snapshots.
        if (row >= static_cast<int>(m_snapshots.size()) ||
            m_snapshots[static_cast<std::size_t>(row)].id != id)
            return;
        lstSnapshots->topLevelItem(row)->setText(
            2, bytes < 0
                   ? QStringLiteral("—")
                   : QString::fromStdString(saver::SizeText(static_cast<std::uint64_t>(bytes))));
        MeasureFrom(row + 1);
    });
}

void OffsiteListWindow::UpdateButtons()
{
    cmdRestore->setEnabled(!m_busy && !lstSnapshots->selectedItems().isEmpty());
    cmdRefresh->setEnabled(!m_busy);
}

void OffsiteListWindow::cmdRestore_Click()
{
    const int row = lstSnapshots->indexOfTopLevelItem(lstSnapshots->currentItem());
    if (m_busy || row < 0)
        return;
    m_busy = true;
    UpdateButtons();
    lblOutcome->setText(QStringLiteral("正在从仓库取回快照…"));
    m_session.FetchSnapshot(m_snapshots[static_cast<std::size_t>(row)].id, this,
                            [this](const ResticOutcome& outcome, const saver::BackupEntry& entry) {
                                RestoreFetched(outcome, entry);
                            });
}

void OffsiteListWindow::RestoreFetched(const ResticOutcome& outcome,
                                       const saver::BackupEntry& entry)
{
    std::shared_ptr<saver::WholeSaveRestore> restore;
    QString refusal;
    if (outcome.kind != ResticOutcome::Kind::Done) {
        refusal = QStringLiteral("无法取回快照：") + ResticOutcomeText(outcome);
    } else if (restore = m_session.PrepareRestore(entry); restore->Problem()) {
        saver::RestoreOutcome refused;
        refused.cause = *restore->Problem();
        refusal = QString::fromStdString("无法恢复：" + saver::RestoreReason(refused));
    } else if ((m_session.SaveInUse() &&
                !UserPrompt::Confirm(
                    this, QStringLiteral("存档使用中"),
                    QStringLiteral("游戏正在使用这个存档，请先退出到标题画面再恢复。"
                                   "\n\n仍要现在恢复吗？"))) ||
               !UserPrompt::Confirm(
                   this, QStringLiteral("恢复整体存档"),
                   QStringLiteral("用异地备份恢复存档 %1？\n\n现在的存档会先整个移到 %2，"
                                  "之后可以在备份列表里恢复它。")
                       .arg(QString::fromStdString(entry.saveName),
                            QString::fromStdString(restore->KeptSaveStem())))) {
        refusal = QStringLiteral("已取消恢复");
    }
    if (!refusal.isEmpty()) {
        m_session.ForgetFetchedSnapshot();
        m_busy = false;
        lblOutcome->setText(refusal);
        UpdateButtons();
        return;
    }
    lblOutcome->setText(QStringLiteral("正在恢复 ") + QString::fromStdString(entry.saveName) +
                        QStringLiteral("…"));
    m_session.RestoreFolder(std::move(restore));
}
