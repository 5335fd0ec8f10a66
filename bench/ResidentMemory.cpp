#include "ResidentMemory.h"

#include "BenchFailure.h"

#include <fstream>
#include <string>

namespace saver::bench {

std::uint64_t ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            std::uint64_t kibibytes = 0;
            if (!(status >> kibibytes)) {
                break;
            }
            return kibibytes * 1024;
        }
        status.ignore(4096, '\n');
    }
    throw BenchFailure("no VmRSS in /proc/self/status");
}

} // namespace saver::bench
