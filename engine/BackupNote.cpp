// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupNote.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

#include <algorithm>
#include <utility>

namespace saver {
namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kLineSeparator = 0x2028;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string Encoded(char32_t point)
{
    std::string bytes;
    if (point < 0x80) {
        bytes += static_cast<char>(point);
    } else if (point < 0x800) {
        bytes += static_cast<char>(0xC0 | point >> 6);
        bytes += static_cast<char>(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        bytes += static_cast<char>(0xE0 | point >> 12);
        bytes += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (point & 0x3F));
    } else {
        bytes += static_cast<char>(0xF0 | point >> 18);
        bytes += static_cast<char>(0x80 | (point >> 12 & 0x3F));
        bytes += static_cast<char>(0x80 | (point >> 6 & 0x3F));
        bytes += static_cast<char>(0x80 | (point & 0x3F));
    }
    return bytes;
}

// The code point at the front of `text` and its length; a byte that starts no well-formed
// sequence (overlong, a surrogate, past U+10FFFF, cut short) is one byte of U+FFFD.
std::pair<char32_t, std::size_t> Decoded(std::string_view text)
{
    const auto byte = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return {kReplacement, 1};
    char32_t point = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return {kReplacement, 1};
        point = point << 6 | (byte(i) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kLeast[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return {kReplacement, 1};
    return {point, length};
}

// Characters that would move, hide or reorder the text around them in a list.
bool Unsafe(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point <= 0x9F) || point == 0x200E || point == 0x200F ||
           (point >= 0x202A && point <= 0x202E) || (point >= 0x2066 && point <= 0x2069);
}

bool Blank(const std::string& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}

// The note as one line, no longer than is kept, cut between characters.
std::string StoredLine(const std::string& text)
{
    const std::string separator = Encoded(kLineSeparator);
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            i += text.compare(i, 2, "\r\n") == 0 ? 1 : 0;
            line += separator;
        } else {
            line += text[i];
        }
    }
    if (line.size() > kNoteMostBytes) {
        std::size_t cut = kNoteMostBytes;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        line.resize(cut);
    }
    return line;
}

} // namespace

bool CanNote(const BackupEntry& entry)
{
    return entry.kind != BackupEntry::Kind::QuickSlot;
}

std::string NoteMarkPath(const BackupEntry& entry)
{
    return entry.IsFolder() ? entry.path + "/" + kNoteMark : entry.path + kNoteMark;
}

std::string CleanNote(std::string_view raw)
{
    if (raw.starts_with(kByteOrderMark))
        raw.remove_prefix(kByteOrderMark.size());
    std::string clean;
    while (!raw.empty()) {
        const auto [point, length] = Decoded(raw);
        if (point == kLineSeparator)
            clean += '\n';
        else if (point == '\t')
            clean += ' ';
        else if (Unsafe(point) || point == kReplacement)
            clean += Encoded(kReplacement);
        else
            clean += raw.substr(0, length);
        raw.remove_prefix(length);
    }
    return clean;
}

std::string ReadNote(FileServices& files, const BackupEntry& entry)
{
    if (!CanNote(entry))
        return {};
    const FirstLine line = files.ReadFirstLine(NoteMarkPath(entry));
    return line.error ? std::string() : CleanNote(line.text);
}

std::error_code SetNote(FileServices& files, const BackupEntry& entry, const std::string& text)
{
    if (!CanNote(entry))
        return std::make_error_code(std::errc::operation_not_supported);
    const std::string mark = NoteMarkPath(entry);
    return ChangeMark(files, entry, [&]() -> std::error_code {
        if (!Blank(text)) {
            return ReplaceAtomically(files, mark, [&](const std::string& temporary) {
                return files.WriteOneLine(temporary, StoredLine(text));
            });
        }
        return files.FirstEntry(mark).empty() ? std::error_code{} : files.DeleteFile(mark);
    });
}

std::string NoteSummary(const std::string& note, std::size_t most)
{
    std::string summary;
    std::string_view rest = note;
    for (std::size_t shown = 0; !rest.empty(); ++shown) {
        const std::size_t length = Decoded(rest).second;
        if (shown + 1 == most && length < rest.size())
            return summary + "…";
        summary += rest.front() == '\n' ? std::string(" ") : std::string(rest.substr(0, length));
        rest.remove_prefix(length);
    }
    return summary;
}

} // namespace saver
