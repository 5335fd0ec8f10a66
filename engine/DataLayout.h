// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace saver {

// The names of what the program keeps in its data folder, and beside the game's save while it
// restores one. Players find these files, earlier versions wrote them, and a copy of the
// program that lives inside a save is told apart from the save by them: a name once given is
// never changed.

// Settings, one line each.
inline constexpr const char* kSettingsFileName = "saver.ini";  // the chosen level.dat
inline constexpr const char* kOptionsFileName = "options.ini"; // interval, kind, backup rules
inline constexpr const char* kHotkeysFileName = "hotkeys.ini"; // the global hotkeys

// Single-file backups of level.dat.
inline constexpr const char* kQuickSlotName = "tmp.back"; // what 保存 writes and 覆盖 puts back
// Character backups: <h>_<m>_<s>level.dat, " (2)" before ".dat" when taken.
inline constexpr const char* kCharacterBackupFolder = "【存档】leveldat";
// The level.dat that a restore of level.dat replaced, named as in kCharacterBackupFolder.
inline constexpr const char* kSafetyCopyFolder = "【刷物】leveldat";
inline constexpr const char* kLevelCopyStem = "level";     // the name of each copy in them,
inline constexpr const char* kLevelCopyExtension = ".dat"; // after its time of day

// Whole-save backups: 【<number>】<h>_<m>_<s>, " (2)" added when taken, holding the save.
inline constexpr const char* kWholeSaveNumberOpen = "【";
inline constexpr const char* kWholeSaveNumberClose = "】";
// Marks inside a whole-save backup.
inline constexpr const char* kMadeMark = ".made";     // "<sequence> <ns since 1970>" of its making
inline constexpr const char* kManualMark = ".manual"; // made with 整体手动保存
// Every file of the save as the backup was made: path, size, time and hash, to find damage by.
inline constexpr const char* kManifestName = ".manifest";
// What the last check of the backup against its manifest found.
inline constexpr const char* kCheckMark = ".check";
// Made because the player left the world: the game let go of the save's session.lock.
inline constexpr const char* kWorldClosedMark = ".worldclosed";
// Inside a whole-save backup that restic took off this machine: the snapshot's id, or
// "failed" when the last upload of it failed.
inline constexpr const char* kOffsiteMark = ".offsite";
// Kept for good: inside a whole-save backup, or added to the name of a single file beside it.
inline constexpr const char* kPinnedMark = ".pinned";
// The player's note on a backup, kept where the pin mark is: one line of UTF-8 whose line
// breaks are U+2028, so that the line readers of every version take it whole.
inline constexpr const char* kNoteMark = ".note";
// Starts the folder that holds a save a whole-save restore replaced: 【恢复前】<date> <time>.
inline constexpr const char* kBeforeRestorePrefix = "【恢复前】";
// Inside such a folder when a restore of some files made it: it holds only the files replaced,
// which put back as a whole save would take the rest of the save away.
inline constexpr const char* kSomeFilesMark = ".somefiles";

// Work under way, found and cleared up after a run that was cut short.
inline constexpr const char* kTemporarySuffix = ".saving"; // a file before its rename into place
inline constexpr const char* kPartialBackupName = ".wholesave.partial"; // a backup being copied
inline constexpr const char* kRestoreJournalName = ".mcsaver-restore.journal"; // a restore's plan
inline constexpr const char* kRestoreAsideName = ".mcsaver-aside.partial";     // the replaced save
// Beside the game's save, not in the data folder: the backup's copy on its way in, and, across
// filesystems, the save it replaces until the copy is in.
inline constexpr const char* kRestorePartialName = ".mcsaver-restore.partial";
inline constexpr const char* kRestoreReplacedName = ".mcsaver-restore.replaced";

// Whole-save backups waiting for restic, by folder name, oldest first, '/' between them.
inline constexpr const char* kOffsiteQueueName = "offsite.queue";
// Where a backup brought back by restic is put before it is restored.
inline constexpr const char* kOffsiteStagingName = ".offsite-restore.partial";

// The program itself.
inline constexpr const char* kProgramName = "mcsaver";        // the executable, when it lives here
inline constexpr const char* kLockFileName = ".mcsaver.lock"; // one running copy per folder
// On Windows, made and at once removed at start to learn whether the folder takes writes:
// .mcsaver-<process number>.tmp.
inline constexpr const char* kWriteProbePrefix = ".mcsaver-";
inline constexpr const char* kWriteProbeSuffix = ".tmp";

} // namespace saver
