// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace saver::bench {

// Times the whole-save backup, as the windows make it, against cp -r and cp -r + sync -f, each
// `rounds` times into a fresh folder below `work`, and prints the medians and ratios named
// `where`. On a copy-on-write filesystem cp copies the bytes and ours is to be 20 times faster.
void CompareCopies(const std::string& where, const std::string& save, const std::string& work,
                   int rounds, bool copyOnWrite);

// Makes 12 whole-save backups of a copy of the save below `work`, rewriting about 1 % of its
// region files between two, and prints what they take on disk together and the time of the
// first, full backup against the later ones, which share the unchanged files.
void TimeSharedBackups(const std::string& save, const std::string& work);

// Times whole-save backups of the save below `work` against the making of their manifests
// alone, `rounds` times, and prints what the manifest adds to a backup.
void TimeManifests(const std::string& save, const std::string& work, int rounds);

// Times a check of a backup of the save against reading its files with cat, each from a cold
// page cache when `coldCache` can be had (writing /proc/sys/vm/drop_caches), else both warm.
void TimeVerification(const std::string& save, const std::string& work);

// Times 200 quick saves of a 50 KB level.dat into the slot and 200 restores of the slot over it.
void TimeQuickSlot(const std::string& work);

} // namespace saver::bench
