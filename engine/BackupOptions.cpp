// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupOptions.h"

#include "DataLayout.h"
#include "SafeFileOps.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace saver {
namespace {

std::optional<std::uint64_t> Number(std::string_view text, std::uint64_t most)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value > most)
        return std::nullopt;
    return value;
}

// The switches, by their names in the file.
bool* Switch(std::string_view name, BackupOptions& options)
{
    if (name == "pruneManual")
        return &options.pruneManual;
    if (name == "skipUnchanged")
        return &options.skipUnchanged;
    if (name == "worldClosed")
        return &options.backupOnWorldClose;
    return nullptr;
}

void Apply(std::string_view name, std::string_view value, BackupOptions& options)
{
    if (name == "interval") {
        if (auto minutes = Number(value, 60); minutes && *minutes >= 1)
            options.intervalMinutes = static_cast<int>(*minutes);
    } else if (name == "kind") {
        if (value == "whole" || value == "character")
            options.kind = value == "whole" ? BackupKind::WholeSave : BackupKind::Character;
    } else if (name == "keep") {
        if (auto count = Number(value, 999))
            options.keepNewest = static_cast<int>(*count);
    } else if (name == "keepMB") {
        if (auto megabytes = Number(value, 1'000'000'000))
            options.keepMegabytes = *megabytes;
    } else if (bool* on = Switch(name, options); on && (value == "0" || value == "1")) {
        *on = value == "1";
    }
}

} // namespace

OptionsFile::OptionsFile(FileServices& files) : m_files(files) {}

std::string OptionsFile::Path() const
{
    return m_files.AppDir() + "/" + kOptionsFileName;
}

std::string OptionsFile::Format(const BackupOptions& options)
{
    return "interval=" + std::to_string(options.intervalMinutes) +
           ";kind=" + (options.kind == BackupKind::WholeSave ? "whole" : "character") +
           ";keep=" + std::to_string(options.keepNewest) +
           ";keepMB=" + std::to_string(options.keepMegabytes) +
           ";pruneManual=" + (options.pruneManual ? "1" : "0") +
           ";skipUnchanged=" + (options.skipUnchanged ? "1" : "0") +
           ";worldClosed=" + (options.backupOnWorldClose ? "1" : "0");
}

BackupOptions OptionsFile::Parse(const std::string& line)
{
    BackupOptions options;
    std::string_view rest = line;
    while (!rest.empty()) {
        const std::string_view pair = rest.substr(0, rest.find(';'));
        rest.remove_prefix(std::min(rest.size(), pair.size() + 1));
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos)
            Apply(pair.substr(0, equals), pair.substr(equals + 1), options);
    }
    return options;
}

BackupOptions OptionsFile::Load()
{
    if (m_files.FirstEntry(Path()).empty())
        return {};
    const FirstLine line = m_files.ReadFirstLine(Path());
    return line.error ? BackupOptions{} : Parse(line.text);
}

std::error_code OptionsFile::Save(const BackupOptions& options)
{
    return ReplaceAtomically(m_files, Path(), [&](const std::string& temporary) {
        return m_files.WriteOneLine(temporary, Format(options));
    });
}

} // namespace saver
