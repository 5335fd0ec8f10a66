// SPDX-License-Identifier: GPL-3.0-or-later
// A manifest as a disk or a careless tool may have left it: reading it never crashes, and what
// reads as whole is written back to the very same text.

#include "BackupManifest.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const saver::ManifestRead read = saver::ParseManifest(text);
    if (read.problem == saver::ManifestProblem::None && saver::ManifestText(read.manifest) != text)
        std::abort();
    return 0;
}
