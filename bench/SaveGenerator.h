#pragma once

#include <cstdint>
#include <string>

namespace saver::bench {

struct GeneratedSave
{
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// A save shaped like a large world: a level.dat of a few KiB, about a thousand region files
// of 0.2 to 1.9 MiB in the folders of three dimensions, and a few hundred small player and map
// files; about 1 GiB in about 1,500 files. The data is random, so no filesystem can compress
// or deduplicate it, and the same on every machine.
GeneratedSave GenerateSave(const std::string& folder);

// Makes the save at `folder` unless a complete one from an earlier run is there; a run that
// was interrupted while it generated leaves no mark and starts over.
GeneratedSave EnsureSave(const std::string& folder);

// What the save at `folder` holds: its regular files and their bytes.
GeneratedSave MeasureSave(const std::string& folder);

} // namespace saver::bench
