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

// The texts the player types may hold the separators of the line: they are kept with %XX.
std::string Escaped(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : text) {
        if (c == '%' || c == ';' || c == '\r' || c == '\n') {
            escaped += '%';
            escaped += kHex[static_cast<unsigned char>(c) >> 4];
            escaped += kHex[static_cast<unsigned char>(c) & 15];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string Unescaped(std::string_view text)
{
    std::string plain;
    for (std::size_t at = 0; at < text.size(); ++at) {
        unsigned value = 0;
        if (text[at] == '%' && at + 2 < text.size() &&
            std::from_chars(text.data() + at + 1, text.data() + at + 3, value, 16).ptr ==
                text.data() + at + 3) {
            plain += static_cast<char>(value);
            at += 2;
        } else {
            plain += text[at];
        }
    }
    return plain;
}

void ApplyOffsite(std::string_view name, std::string_view value, OffsiteOptions& offsite)
{
    if (name == "offsite") {
        if (value == "off" || value == "manual" || value == "every")
            offsite.scope = value == "off"      ? OffsiteScope::Off
                            : value == "manual" ? OffsiteScope::ManualAndPinned
                                                : OffsiteScope::Every;
    } else if (name == "offsiteRepo") {
        offsite.repository = Unescaped(value);
    } else if (name == "offsitePasswordFile" || name == "offsitePasswordCommand") {
        offsite.password = name == "offsitePasswordFile" ? OffsiteOptions::Password::File
                                                         : OffsiteOptions::Password::Command;
        offsite.passwordSource = Unescaped(value);
    }
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
    } else {
        ApplyOffsite(name, value, options.offsite);
    }
}

std::string OffsiteFields(const OffsiteOptions& offsite)
{
    if (offsite == OffsiteOptions{})
        return {};
    static constexpr const char* kScopes[] = {"off", "manual", "every"};
    return std::string(";offsite=") + kScopes[static_cast<int>(offsite.scope)] +
           ";offsiteRepo=" + Escaped(offsite.repository) +
           (offsite.password == OffsiteOptions::Password::File ? ";offsitePasswordFile="
                                                               : ";offsitePasswordCommand=") +
           Escaped(offsite.passwordSource);
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
           ";worldClosed=" + (options.backupOnWorldClose ? "1" : "0") +
           OffsiteFields(options.offsite);
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
