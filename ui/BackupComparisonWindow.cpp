// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupComparisonWindow.h"

#include "BackupSession.h"

#include "StatusTexts.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

using Change = saver::ComparedFile::Change;

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString ChangeText(Change change)
{
    switch (change) {
    case Change::Added:
        return QStringLiteral("新增");
    case Change::Removed:
        return QStringLiteral("删除");
    case Change::Changed:
        break;
    }
    return QStringLiteral("改动");
}

QString Name(const saver::BackupEntry& entry)
{
    return QFileInfo(Text(entry.path)).fileName();
}

} // namespace

BackupComparisonWindow::BackupComparisonWindow(BackupSession& session, saver::BackupEntry entry,
                                               std::vector<saver::BackupEntry> others,
                                               QWidget* parent)
    : QWidget(parent, Qt::Window), cboAgainst(new QComboBox(this)), lblSummary(new QLabel(this)),
      lstFiles(new QTreeWidget(this)), m_session(session), m_entry(std::move(entry)),
      m_others(std::move(others))
{
    setObjectName(QStringLiteral("BackupComparisonWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("比较 ") + Name(m_entry));
    resize(560, 400);
    cboAgainst->addItem(QStringLiteral("当前存档"));
    for (const saver::BackupEntry& other : m_others) {
        cboAgainst->addItem(Name(other));
    }
    lblSummary->setWordWrap(true);
    lstFiles->setHeaderLabels(
        {QStringLiteral("文件"), QStringLiteral("变化"), QStringLiteral("大小")});
    lstFiles->setRootIsDecorated(false);
    lstFiles->header()->setSectionResizeMode(QHeaderView::ResizeToContents);

    auto* choice = new QHBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("备份 %1 比较的是：").arg(Name(m_entry)), this));
    choice->addWidget(cboAgainst, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choice);
    layout->addWidget(lblSummary);
    layout->addWidget(lstFiles, 1);

    connect(cboAgainst, &QComboBox::currentIndexChanged, this, &BackupComparisonWindow::Compare);
    Compare();
}

void BackupComparisonWindow::Compare()
{
    m_asked = cboAgainst->currentIndex();
    const std::optional<saver::BackupEntry> other =
        m_asked > 0 ? std::optional(m_others[static_cast<std::size_t>(m_asked - 1)]) : std::nullopt;
    lblSummary->setText(QStringLiteral("正在比较…"));
    lstFiles->clear();
    m_session.Compare(this, m_entry, other,
                      [this, asked = m_asked](const saver::Comparison& comparison) {
                          if (asked == m_asked) {
                              Show(comparison);
                          }
                      });
}

void BackupComparisonWindow::Show(const saver::Comparison& comparison)
{
    if (comparison.error) {
        lblSummary->setText(
            QStringLiteral("无法比较：") + Text(saver::FailureReason(comparison.error)) +
            QStringLiteral("（%1）").arg(QDir::toNativeSeparators(Text(comparison.failedPath))));
        return;
    }
    QStringList parts;
    for (const Change change : {Change::Added, Change::Removed, Change::Changed}) {
        parts << QStringLiteral("%1 %2 个（%3）")
                     .arg(ChangeText(change))
                     .arg(comparison.Count(change))
                     .arg(Text(saver::SizeText(comparison.Bytes(change))));
    }
    QString summary = parts.join(QStringLiteral("，"));
    if (comparison.byTimes) {
        summary += QStringLiteral("\n有一方没有清单：大小或修改时间不同的文件都算作改动");
    }
    lblSummary->setText(summary);
    for (const saver::ComparedFile& file : comparison.files) {
        lstFiles->addTopLevelItem(
            new QTreeWidgetItem({QDir::toNativeSeparators(Text(file.path)), ChangeText(file.change),
                                 Text(saver::SizeText(file.size))}));
    }
}
