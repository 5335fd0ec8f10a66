// SPDX-License-Identifier: GPL-3.0-or-later
#include "FolderOpener.h"

#include <QDesktopServices>
#include <QUrl>

bool FolderOpener::Open(const QString& folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}
