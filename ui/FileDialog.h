// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

class QWidget;

// The dialog that picks one existing file. Tests answer it in advance, since a modal
// dialog of the system cannot be driven from inside a test.
class FileDialog final
{
public:
    FileDialog(QWidget* parent, QString defaultSuffix, QString fileName, QString filter);

    // The chosen file with '/' separators, or nothing when the user cancelled.
    std::optional<QString> ShowOpen() const;

    // The next ShowOpen returns this answer at once instead of asking.
    static void setNextFileName(const QString& fileName);
    static void setNextCancelled();

private:
    QWidget* m_parent;
    QString m_defaultSuffix;
    QString m_fileName;
    QString m_filter;
};
