// SPDX-License-Identifier: GPL-3.0-or-later
#include "PartialRestoreDialog.h"

#include "StatusTexts.h"

#include <QDialogButtonBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kPathRole = Qt::UserRole;

void AddChosen(const QTreeWidgetItem* item, std::vector<std::string>& chosen)
{
    if (item->checkState(0) == Qt::Checked) {
        chosen.push_back(item->data(0, kPathRole).toString().toStdString());
        return;
    }
    if (item->checkState(0) == Qt::PartiallyChecked) {
        for (int i = 0; i < item->childCount(); ++i)
            AddChosen(item->child(i), chosen);
    }
}

} // namespace

PartialRestoreDialog::PartialRestoreDialog(const std::vector<saver::TreeEntry>& entries,
                                           QWidget* parent)
    : QDialog(parent), lstFiles(new QTreeWidget(this)),
      buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      cmdOK(buttons->button(QDialogButtonBox::Ok))
{
    setWindowTitle(QStringLiteral("部分恢复"));
    resize(520, 420);
    lstFiles->setHeaderLabels({QStringLiteral("名称"), QStringLiteral("大小")});
    lstFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    lstFiles->header()->setStretchLastSection(false);
    // The listing comes sorted, so that every folder comes before what it holds.
    QHash<QString, QTreeWidgetItem*> folders;
    for (const saver::TreeEntry& entry : entries) {
        if (entry.kind != saver::TreeEntry::Kind::File &&
            entry.kind != saver::TreeEntry::Kind::Folder)
            continue;
        const QString path = QString::fromStdString(entry.path);
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        QTreeWidgetItem* parentItem = slash < 0 ? nullptr : folders.value(path.left(slash));
        auto* item = parentItem ? new QTreeWidgetItem(parentItem) : new QTreeWidgetItem(lstFiles);
        item->setText(0, path.mid(slash + 1));
        item->setData(0, kPathRole, path);
        item->setCheckState(0, Qt::Unchecked);
        if (entry.kind == saver::TreeEntry::Kind::Folder) {
            item->setFlags(item->flags() | Qt::ItemIsAutoTristate);
            folders.insert(path, item);
        } else {
            item->setText(1, QString::fromStdString(saver::SizeText(entry.size)));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
    }
    lstFiles->sortItems(0, Qt::AscendingOrder);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("勾选要从备份放回存档的文件或文件夹，"
                                                "存档里其余的文件保持不变："),
                                 this));
    layout->addWidget(lstFiles, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(lstFiles, &QTreeWidget::itemChanged, this, &PartialRestoreDialog::UpdateOK);
    UpdateOK();
}

std::vector<std::string> PartialRestoreDialog::Chosen() const
{
    std::vector<std::string> chosen;
    for (int i = 0; i < lstFiles->topLevelItemCount(); ++i)
        AddChosen(lstFiles->topLevelItem(i), chosen);
    return chosen;
}

void PartialRestoreDialog::UpdateOK()
{
    cmdOK->setEnabled(!Chosen().empty());
}
