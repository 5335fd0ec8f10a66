// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Shows a folder in the desktop's file manager.
class FolderOpener final
{
public:
    // False when the desktop has nothing that opens the folder.
    static bool Open(const QString& folder);
};
