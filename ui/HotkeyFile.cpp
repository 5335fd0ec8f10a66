// SPDX-License-Identifier: GPL-3.0-or-later
#include "HotkeyFile.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

#include <QStringList>

HotkeyFile::HotkeyFile(saver::FileServices& files) : m_files(files) {}

std::string HotkeyFile::Path() const
{
    return m_files.AppDir() + "/" + saver::kHotkeysFileName;
}

HotkeyFile::Keys HotkeyFile::Load()
{
    Keys keys;
    const saver::FirstLine line = m_files.ReadFirstLine(Path());
    if (line.error || !line.present) {
        return keys;
    }
    const QStringList texts = QString::fromStdString(line.text).split(QLatin1Char('\t'));
    for (std::size_t i = 0; i < keys.size() && i < std::size_t(texts.size()); ++i) {
        keys[i] = QKeySequence::fromString(texts[qsizetype(i)], QKeySequence::PortableText);
    }
    return keys;
}

std::error_code HotkeyFile::Save(const Keys& keys)
{
    QStringList texts;
    for (const QKeySequence& sequence : keys) {
        texts << sequence.toString(QKeySequence::PortableText);
    }
    const std::string line = texts.join(QLatin1Char('\t')).toStdString();
    return saver::ReplaceAtomically(m_files, Path(), [&](const std::string& temporary) {
        return m_files.WriteOneLine(temporary, line);
    });
}
