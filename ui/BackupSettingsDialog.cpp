// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupSettingsDialog.h"

#include "BackupSession.h"

#include "StatusTexts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

QSpinBox* SpinBox(int minimum, int maximum, int value, const QString& suffix, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

// A rule's check box switches its number on and off.
void Pair(QCheckBox* check, QSpinBox* box, bool on)
{
    check->setChecked(on);
    box->setEnabled(on);
    QObject::connect(check, &QCheckBox::toggled, box, &QWidget::setEnabled);
}

} // namespace

BackupSettingsDialog::BackupSettingsDialog(const saver::BackupOptions& options, QWidget* parent)
    : QDialog(parent), chkKeepNewest(new QCheckBox(QStringLiteral("每个存档只保留最新的"), this)),
      spnKeepNewest(SpinBox(1, 999, options.keepNewest > 0 ? options.keepNewest : 20,
                            QStringLiteral(" 个整体存档备份"), this)),
      chkKeepSize(new QCheckBox(QStringLiteral("整体存档备份最多占用"), this)),
      spnKeepSize(
          SpinBox(1, 1'000'000,
                  options.keepMegabytes > 0 ? static_cast<int>(options.keepMegabytes) : 10'000,
                  QStringLiteral(" MB"), this)),
      chkPruneManual(new QCheckBox(QStringLiteral("“整体手动保存”的备份也可以删除"), this)),
      chkSkipUnchanged(new QCheckBox(QStringLiteral("存档未变化时跳过定时的整体备份"), this)),
      chkWorldClosed(new QCheckBox(QStringLiteral("退出存档时备份"), this)),
      lblUsage(new QLabel(this)), cmdBackupList(new QPushButton(QStringLiteral("备份列表…"), this)),
      m_options(options)
{
    setObjectName(QStringLiteral("BackupSettingsDialog"));
    setWindowTitle(QStringLiteral("备份管理"));
    Pair(chkKeepNewest, spnKeepNewest, options.keepNewest > 0);
    Pair(chkKeepSize, spnKeepSize, options.keepMegabytes > 0);
    chkPruneManual->setChecked(options.pruneManual);
    chkSkipUnchanged->setChecked(options.skipUnchanged);
    chkWorldClosed->setChecked(options.backupOnWorldClose);
    lblUsage->setWordWrap(true);
    ShowDiskUsage(QStringLiteral("（正在计算…）"));

    auto* rules = new QFormLayout;
    rules->addRow(chkKeepNewest, spnKeepNewest);
    rules->addRow(chkKeepSize, spnKeepSize);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    buttons->addButton(cmdBackupList, QDialogButtonBox::ActionRole);
    connect(cmdBackupList, &QPushButton::clicked, this, [this] {
        m_backupListWanted = true;
        accept();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(rules);
    layout->addWidget(chkPruneManual);
    layout->addWidget(chkSkipUnchanged);
    layout->addWidget(chkWorldClosed);
    layout->addWidget(lblUsage);
    layout->addWidget(buttons);
}

void BackupSettingsDialog::ShowDiskUsage(const QString& total)
{
    lblUsage->setText(QStringLiteral("整体存档备份共占用磁盘 ") + total +
                      QStringLiteral("。没有变化的文件在各个备份之间共享，只占一份空间；"
                                     "文件管理器会把每个备份都按完整大小计算。"));
}

saver::BackupOptions BackupSettingsDialog::Options() const
{
    saver::BackupOptions options = m_options;
    options.keepNewest = chkKeepNewest->isChecked() ? spnKeepNewest->value() : 0;
    options.keepMegabytes =
        chkKeepSize->isChecked() ? static_cast<std::uint64_t>(spnKeepSize->value()) : 0;
    options.pruneManual = chkPruneManual->isChecked();
    options.skipUnchanged = chkSkipUnchanged->isChecked();
    options.backupOnWorldClose = chkWorldClosed->isChecked();
    return options;
}

bool BackupSettingsDialog::Edit(BackupSession& session, QWidget* parent)
{
    BackupSettingsDialog dialog(session.Options(), parent);
    // Looking at every file of every backup may take seconds on a cold disk, which the window
    // must not wait for.
    session.MeasureBackups(&dialog, [shown = &dialog](const saver::DiskUsage& usage) {
        shown->ShowDiskUsage(usage.error ? QStringLiteral("（无法计算）")
                                         : QString::fromStdString(saver::SizeText(usage.total)));
    });
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    if (const std::error_code error = session.SetOptions(dialog.Options())) {
        WarnNotSaved(parent, error, session.DataFolder());
    }
    return dialog.BackupListWanted();
}

void BackupSettingsDialog::WarnNotSaved(QWidget* parent, const std::error_code& error,
                                        const QString& dataFolder)
{
    QMessageBox::warning(
        parent, parent->window()->windowTitle(),
        QStringLiteral("无法保存设置：") +
            QString::fromStdString(saver::FailureReason(error, dataFolder.toStdString())));
}
