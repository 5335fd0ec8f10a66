#pragma once

#include <string>
#include <vector>

namespace saver::bench {

struct CopyComparison
{
    // Shown in the table: "ext4", "btrfs (reflink)", ...
    std::string where;
    std::string save;
    // A folder on the save's filesystem for the copies; emptied between runs.
    std::string work;
    int rounds = 5;
    // Given to cp before the paths; "--reflink=never" makes it copy bytes on a CoW filesystem.
    std::vector<std::string> cpOptions;
    // The least (cp time / our time) that counts as met, when cp is to be beaten by a factor;
    // otherwise our time must be at most cp's.
    double leastSpeedUp = 1.0;
};

// Times the program's whole-save backup (WholeSaveJob over SystemServices, the path the
// windows take) against cp -r and against cp -r followed by sync -f, alternating the three,
// each into a fresh destination with the save in the page cache, and prints the medians and
// ratios as rows of the result table.
void CompareCopies(const CopyComparison& setup);

} // namespace saver::bench
