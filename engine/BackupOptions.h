// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <cstdint>
#include <string>
#include <system_error>

namespace saver {

enum class BackupKind {
    WholeSave, // the folder that holds level.dat, with everything in it
    Character  // level.dat alone
};

// Which whole-save backups also go to the player's restic repository.
enum class OffsiteScope {
    Off,
    ManualAndPinned, // made with "整体手动保存", or kept for good
    Every
};

// Where restic keeps the backups sent off this machine. The password itself is never kept:
// restic reads it from a file or a command the player names.
struct OffsiteOptions
{
    enum class Password { File, Command };

    OffsiteScope scope = OffsiteScope::Off;
    std::string repository = {}; // anything restic takes: a folder, sftp:, s3:, rest:, rclone:
    Password password = Password::File;
    std::string passwordSource = {}; // the file's path or the command line

    bool On() const { return scope != OffsiteScope::Off && !repository.empty(); }
    friend bool operator==(const OffsiteOptions&, const OffsiteOptions&) = default;
};

// What the player set beyond the chosen path, kept across runs. A rule at 0 is off.
struct BackupOptions
{
    int intervalMinutes = 5;
    BackupKind kind = BackupKind::WholeSave;
    int keepNewest = 0;              // whole-save backups kept, 1 to 999
    std::uint64_t keepMegabytes = 0; // on disk, a shared file counted once
    bool pruneManual = false;        // the rules may remove "整体手动保存" backups too
    bool skipUnchanged = false;      // no scheduled backup of a save that did not change
    bool backupOnWorldClose = true;  // a whole-save backup when the game lets go of the save
    OffsiteOptions offsite = {};

    bool Prunes() const { return keepNewest > 0 || keepMegabytes > 0; }
    friend bool operator==(const BackupOptions&, const BackupOptions&) = default;
};

// options.ini beside saver.ini: one line of name=value pairs, so that saver.ini keeps the one
// line that copies of the program have always written there. A value that is missing or out
// of range keeps its default.
class OptionsFile
{
public:
    explicit OptionsFile(FileServices& files);

    std::string Path() const;
    BackupOptions Load();
    std::error_code Save(const BackupOptions& options);

    static std::string Format(const BackupOptions& options);
    static BackupOptions Parse(const std::string& line);

private:
    FileServices& m_files;
};

} // namespace saver
