// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderOpener.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

bool FolderOpener::Open(const QString& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void FolderOpener::ShowBackups(const QString& dataFolder, QWidget* parent)
{
    if (!Open(dataFolder)) {
        QMessageBox::warning(parent, QStringLiteral("MC存档自动保存"),
                             QStringLiteral("无法打开备份文件夹：") + dataFolder);
    }
}
