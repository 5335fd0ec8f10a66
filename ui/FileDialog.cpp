// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDialog.h"

#include <QDir>
#include <QFileDialog>

#include <utility>

namespace {

// Outer optional: whether an answer is waiting; inner: the file, or cancelled.
std::optional<std::optional<QString>>& PresetAnswer()
{
    static std::optional<std::optional<QString>> answer;
    return answer;
}

} // namespace

FileDialog::FileDialog(QWidget* parent, QString defaultSuffix, QString fileName, QString filter)
    : m_parent(parent), m_defaultSuffix(std::move(defaultSuffix)), m_fileName(std::move(fileName)),
      m_filter(std::move(filter))
{
}

std::optional<QString> FileDialog::ShowOpen() const
{
    if (auto& preset = PresetAnswer(); preset) {
        std::optional<QString> answer = std::move(*preset);
        preset.reset();
        return answer ? std::optional(QDir::fromNativeSeparators(*answer)) : answer;
    }
    QFileDialog dialog(m_parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setDefaultSuffix(m_defaultSuffix);
    dialog.setNameFilter(m_filter);
    dialog.selectFile(m_fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    // Qt's own dialog answers with '/'; the system's, on Windows, may not.
    return QDir::fromNativeSeparators(dialog.selectedFiles().constFirst());
}

void FileDialog::setNextFileName(const QString& fileName)
{
    PresetAnswer() = std::optional<QString>(fileName);
}

void FileDialog::setNextCancelled()
{
    PresetAnswer() = std::optional<QString>();
}
