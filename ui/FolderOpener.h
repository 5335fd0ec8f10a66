#pragma once

#include <QString>

#include <functional>

class QUrl;

// Shows a folder in the desktop's file manager. Tests put an opener of their own in its
// place, so that no file manager starts while they run.
class FolderOpener final
{
public:
    // False when the desktop has nothing that opens the folder.
    static bool Open(const QString& folder);

    // Every later Open hands its address to `opener` instead; an empty one restores the
    // desktop's.
    static void setOpenerForTests(std::function<bool(const QUrl&)> opener);
};
