#pragma once

#include <string>

namespace saver::bench {

// Writes everything the filesystem of `path` holds in memory to its disk, so that one timed
// copy does not pay for the writes of the one before.
void FlushFilesystem(const std::string& path);

// Reads every file below `folder` once, so that timed copies find the save in memory.
void WarmPageCache(const std::string& folder);

} // namespace saver::bench
