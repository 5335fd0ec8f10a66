#pragma once

#include <string>

namespace saver::bench {

// Times `runs` quick saves of a 50 KB level.dat into the slot and `runs` restores of the slot
// over it, each flushed to disk as the program does, in a fresh folder below `work`, and
// prints the median and the worst of each as rows of the result table.
void TimeQuickSlot(const std::string& work, int runs);

} // namespace saver::bench
