// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// Shows a folder in the desktop's file manager.
class FolderOpener final
{
public:
    // False when the desktop has nothing that opens the folder.
    static bool Open(const QString& folder);
    // Opens the program's data folder, or tells the player over `parent` why it could not.
    static void ShowBackups(const QString& dataFolder, QWidget* parent);
};
