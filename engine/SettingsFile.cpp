// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsFile.h"

#include "DataLayout.h"
#include "PathSeparators.h"
#include "SafeFileOps.h"

#include <string_view>

namespace saver {

namespace {

// The most of saver.ini that is read; the platform stops there too.
constexpr std::size_t kLongestLine = 32 * 1024;

} // namespace

SettingsFile::SettingsFile(FileServices& files) : m_files(files) {}

std::string SettingsFile::Path() const
{
    return m_files.AppDir() + "/" + kSettingsFileName;
}

SettingsFile::Stored SettingsFile::Load()
{
    const std::string path = Path();
    if (m_files.FirstEntry(path).empty())
        return {};
    FirstLine line = m_files.ReadFirstLine(path);
    if (!line.error && !line.present)
        return {};
    // Windows editors put a byte-order mark in front of UTF-8 text.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (line.text.starts_with(kByteOrderMark))
        line.text.erase(0, kByteOrderMark.size());
    // A line that fills the whole read, or holds a NUL, is no path that was ever stored.
    if (line.error || !IsStorablePath(line.text))
        return {std::nullopt, true};
    // Windows takes either separator: a '/' read stays one.
    return {WithSlashes(line.text), false};
}

std::error_code SettingsFile::Save(const std::string& chosenPath)
{
    if (!IsStorablePath(chosenPath))
        return std::make_error_code(std::errc::invalid_argument);
    // As the program this one replaces wrote it, and as a player types it.
    const std::string stored = WithSystemSeparators(chosenPath);
    return ReplaceAtomically(m_files, Path(), [&](const std::string& temporary) {
        return m_files.WriteOneLine(temporary, stored);
    });
}

bool IsStorablePath(const std::string& path)
{
    // A line end would cut the path short when it is read back; a NUL would cut it short
    // for the operating system.
    // A leading byte-order mark would be taken for the editor's and dropped when read back.
    return path.size() < kLongestLine && !path.starts_with("\xEF\xBB\xBF") &&
           path.find_first_of(std::string("\r\n\0", 3)) == std::string::npos && IsValidUtf8(path);
}

bool IsValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned int codePoint = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07u;
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
        static constexpr unsigned int kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < kSmallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

} // namespace saver
