// SPDX-License-Identifier: GPL-3.0-or-later
// saver::IsValidUtf8 takes any bytes for UTF-8 exactly when glibc's converter does.

#include "GlibcUtf8.h"
#include "SettingsFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (saver::IsValidUtf8(text) != saver::test::GlibcReadsUtf8(text))
        std::abort();
    return 0;
}
