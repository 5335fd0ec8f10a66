// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupSettingsDialog.h"

#include "BackupSession.h"
#include "ResticTexts.h"
#include "UserPrompt.h"

#include "ResticSystem.h"

#include "StatusTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
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
      cboOffsite(new QComboBox(this)), txtRepository(new QLineEdit(this)),
      cboPassword(new QComboBox(this)), txtPassword(new QLineEdit(this)),
      cmdCheckRepository(new QPushButton(QStringLiteral("检查仓库"), this)),
      lblRepository(new QLabel(this)), m_options(options)
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
    layout->addWidget(OffsiteGroup(options.offsite));
    layout->addWidget(buttons);
}

QWidget* BackupSettingsDialog::OffsiteGroup(const saver::OffsiteOptions& offsite)
{
    cboOffsite->addItem(QStringLiteral("关闭"), static_cast<int>(saver::OffsiteScope::Off));
    cboOffsite->addItem(QStringLiteral("只上传手动保存和固定的备份"),
                        static_cast<int>(saver::OffsiteScope::ManualAndPinned));
    cboOffsite->addItem(QStringLiteral("上传每个整体存档备份"),
                        static_cast<int>(saver::OffsiteScope::Every));
    cboOffsite->setCurrentIndex(cboOffsite->findData(static_cast<int>(offsite.scope)));
    txtRepository->setText(QString::fromStdString(offsite.repository));
    txtRepository->setPlaceholderText(QStringLiteral("文件夹，或 sftp:…、rest:…、s3:…、rclone:…"));
    cboPassword->addItem(QStringLiteral("密码文件"));
    cboPassword->addItem(QStringLiteral("密码命令"));
    cboPassword->setCurrentIndex(offsite.password == saver::OffsiteOptions::Password::File ? 0 : 1);
    txtPassword->setText(QString::fromStdString(offsite.passwordSource));
    lblRepository->setWordWrap(true);
    lblRepository->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Everything else keeps working without restic; the player learns where to get it.
    if (BackupSession::ResticPath().isEmpty())
        lblRepository->setText(ResticInstallHint());

    auto* group = new QGroupBox(QStringLiteral("异地备份"), this);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("上传到 restic 仓库："), cboOffsite);
    form->addRow(QStringLiteral("仓库："), txtRepository);
    form->addRow(cboPassword, txtPassword);
    form->addRow(cmdCheckRepository, lblRepository);
    auto* note = new QLabel(QStringLiteral("本程序不保存密码，只把密码文件或密码命令交给 restic；"
                                           "也从不删除仓库里的快照。"),
                            group);
    note->setWordWrap(true);
    form->addRow(note);
    return group;
}

void BackupSettingsDialog::CheckRepository(BackupSession& session)
{
    const saver::OffsiteOptions offsite = Options().offsite;
    cmdCheckRepository->setEnabled(false);
    lblRepository->setText(QStringLiteral("正在检查…"));
    session.CheckRepository(offsite, this, [this, &session, offsite](const ResticOutcome& outcome) {
        if (outcome.kind != ResticOutcome::Kind::NoRepository ||
            !UserPrompt::Confirm(this, QStringLiteral("创建仓库"),
                                 QStringLiteral("%1 还没有 restic 仓库。要在那里创建一个吗？\n\n"
                                                "请记住仓库的密码：没有它就无法取回任何备份。")
                                     .arg(QString::fromStdString(offsite.repository)))) {
            cmdCheckRepository->setEnabled(true);
            lblRepository->setText(outcome.kind == ResticOutcome::Kind::Done
                                       ? QStringLiteral("仓库可以使用")
                                       : ResticOutcomeText(outcome));
            return;
        }
        session.CreateRepository(offsite, this, [this](const ResticOutcome& created) {
            cmdCheckRepository->setEnabled(true);
            lblRepository->setText(created.kind == ResticOutcome::Kind::Done
                                       ? QStringLiteral("已创建仓库，可以使用")
                                       : ResticOutcomeText(created));
        });
    });
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
    options.offsite.scope = static_cast<saver::OffsiteScope>(cboOffsite->currentData().toInt());
    options.offsite.repository = txtRepository->text().trimmed().toStdString();
    options.offsite.password = cboPassword->currentIndex() == 0
                                   ? saver::OffsiteOptions::Password::File
                                   : saver::OffsiteOptions::Password::Command;
    options.offsite.passwordSource = txtPassword->text().trimmed().toStdString();
    return options;
}

bool BackupSettingsDialog::Edit(BackupSession& session, QWidget* parent)
{
    BackupSettingsDialog dialog(session.Options(), parent);
    connect(dialog.cmdCheckRepository, &QPushButton::clicked, &dialog,
            [&dialog, &session] { dialog.CheckRepository(session); });
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
