// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "BackupCatalogue.h"
#include "Services.h"

#include <cstddef>
#include <string>
#include <system_error>

namespace saver {

// The most of a note that is kept; the line reader stops at 32 KiB, and the rest of a file
// that long was not written by the program.
inline constexpr std::size_t kNoteMostBytes = 16 * 1024;

// The quick slot is overwritten by every quick save: a note there would soon describe another
// level.dat.
bool CanNote(const BackupEntry& entry);

// `.note` inside a folder; beside a file, the file's name with ".note" added, as its pin mark.
std::string NoteMarkPath(const BackupEntry& entry);

// The note on a backup, safe to show whatever the file holds: bytes that are no UTF-8 and
// control characters each read as U+FFFD, line breaks as '\n'. "" when there is none.
std::string ReadNote(FileServices& files, const BackupEntry& entry);

// Keeps `text` as the backup's note, or removes the note when `text` is blank. Takes no hold:
// the backup's save is not touched, and the folder's time is put back.
std::error_code SetNote(FileServices& files, const BackupEntry& entry, const std::string& text);

// The note on one line, line breaks as spaces, cut to `most` characters with "…".
std::string NoteSummary(const std::string& note, std::size_t most);

// `raw` as ReadNote gives it.
std::string CleanNote(std::string_view raw);

} // namespace saver
