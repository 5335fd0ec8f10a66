// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace saver::bench {

struct SaveSize
{
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;

    bool operator==(const SaveSize&) const = default;
};

// Makes a save shaped like a large world at `folder`, unless a complete one from an earlier run
// is there: about 1 GiB in about 1,500 files, most of them region files of 0.2 to 1.9 MiB. The
// bytes are random, so no filesystem can compress or deduplicate them, and the same everywhere.
void EnsureSave(const std::string& folder);

// Rewrites about 1 % of the region files of a save that EnsureSave made with new bytes of the
// same length, as the game rewrites the regions near the player; `round` chooses which.
void RewriteRegionFiles(const std::string& folder, std::uint64_t round);

// Reads every file below `folder`, which puts them in the page cache; counts them and their bytes.
SaveSize ReadSave(const std::string& folder);

// Writes what the filesystem of `path` holds in memory to its disk (syncfs), so that one timed
// step does not pay for the writes of the one before.
void FlushFilesystem(const std::string& path);

} // namespace saver::bench
