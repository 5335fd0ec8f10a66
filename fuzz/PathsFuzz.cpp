// The path handling the backups rely on: FolderOf, and the choice of a free backup name
// when a fake create says that a random set of names is taken.

#include "Require.h"
#include "SafeFileOps.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <system_error>

namespace {

using saver::fuzz::Require;

// As many names as CreateUnderFreeName tries, and a few past that.
constexpr int kMostTries = 10000;
constexpr int kHighestNumber = kMostTries + 50;

void CheckFolderOf(const std::string& path)
{
    const std::string folder = saver::FolderOf(path);
    if (path.find('/') == std::string::npos) {
        Require(folder.empty(), "a path without '/' has no folder");
        return;
    }
    Require(path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                path[folder.size()] == '/',
            "the folder and a '/' begin the path");
    Require(path.find('/', folder.size() + 1) == std::string::npos,
            "the folder ends at the last '/'");
}

std::string NameOf(const std::string& stem, const std::string& extension, int n)
{
    return n == 1 ? stem + extension : stem + " (" + std::to_string(n) + ")" + extension;
}

// The names a fake create says are taken: a run of numbers from the first on, so that
// "all taken" can be reached, numbers here and there, and a few names of any kind.
struct TakenNames
{
    int run = 0;
    std::set<int> scattered;
    std::set<std::string> strays;

    bool Contains(int n, const std::string& name) const
    {
        return n <= run || scattered.count(n) == 1 || strays.count(name) == 1;
    }
};

int ChooseRun(FuzzedDataProvider& input)
{
    switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return 0;
    case 1:
        return input.ConsumeIntegralInRange(1, 64);
    case 2:
        return input.ConsumeIntegralInRange(kMostTries - 8, kHighestNumber);
    default:
        // Long runs cost 10000 names per input; the second case covers the end of the range.
        return input.ConsumeIntegralInRange(0, 1000);
    }
}

void CheckFreeName(FuzzedDataProvider& input)
{
    const std::string stem = input.ConsumeRandomLengthString(64);
    const std::string extension = input.ConsumeRandomLengthString(16);
    TakenNames taken;
    taken.run = ChooseRun(input);
    const auto scattered = input.ConsumeIntegralInRange(0, 64);
    for (int i = 0; i < scattered; ++i)
        taken.scattered.insert(input.ConsumeIntegralInRange(1, kHighestNumber));
    const auto strays = input.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < strays; ++i)
        taken.strays.insert(input.ConsumeRandomLengthString(96));
    // The number whose create fails for another reason, such as a full disk; 0 for none.
    const int failing = input.ConsumeBool() ? input.ConsumeIntegralInRange(1, kHighestNumber) : 0;

    // The n-th call must be for the n-th name; whether that name is taken is told by n.
    int calls = 0;
    bool inOrder = true;
    const std::string notChosen = "\x01not chosen";
    std::string chosen = notChosen;
    const std::error_code error = saver::CreateUnderFreeName(
        stem, extension,
        [&](const std::string& name) {
            const int n = ++calls;
            inOrder = inOrder && name == NameOf(stem, extension, n);
            if (taken.Contains(n, name))
                return std::make_error_code(std::errc::file_exists);
            if (n == failing)
                return std::make_error_code(std::errc::no_space_on_device);
            return std::error_code();
        },
        &chosen);
    Require(inOrder, "names are tried as stem, stem (2), stem (3), ...");

    int firstFree = 1;
    while (firstFree <= kMostTries && taken.Contains(firstFree, NameOf(stem, extension, firstFree)))
        ++firstFree;
    Require(calls == std::min(firstFree, kMostTries), "names are tried up to the first free one");

    if (firstFree > kMostTries) {
        Require(error == std::errc::file_exists, "with every name taken the answer is file_exists");
        Require(chosen == notChosen, "with every name taken none is chosen");
    } else if (firstFree == failing) {
        Require(error == std::errc::no_space_on_device, "another failure is handed on");
        Require(chosen == notChosen, "a failed create chooses no name");
    } else {
        Require(!error, "a free name is used");
        Require(chosen == NameOf(stem, extension, firstFree), "the first free name is chosen");
        Require(!taken.Contains(firstFree, chosen), "a taken name is never chosen");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    CheckFolderOf(input.ConsumeRandomLengthString(256));
    CheckFreeName(input);
    return 0;
}
