// SPDX-License-Identifier: GPL-3.0-or-later
// saver.ini as anyone may have left it: what is loaded is its first line, in UTF-8; every path
// a user can choose is stored and read back the same, and a refused one leaves the file be.

#include "GlibcUtf8.h"
#include "SettingsFile.h"
#include "SystemServices.h"
#include "TempDir.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using saver::test::GlibcReadsUtf8;
using saver::test::ReadFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One folder for the whole run: a fresh one per input would cost more than the input.
    static const saver::test::TempDir folder;
    static saver::SystemServices files(folder.path());
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = folder.path() + "/saver.ini";
    saver::test::WriteFile(path, bytes);
    saver::SettingsFile settings(files);
    const std::string bom = "\xEF\xBB\xBF", line = bytes.substr(0, bytes.find_first_of("\r\n"));
    const auto loaded = settings.Load().path;
    const bool firstLine =
        !loaded || ((*loaded == line || bom + *loaded == line) && GlibcReadsUtf8(*loaded));
    const std::error_code refused = settings.Save(bytes);
    const bool choosable = bytes.size() < 4096 && GlibcReadsUtf8(bytes) &&
                           !bytes.starts_with(bom) &&
                           bytes.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
    const bool stored = refused ? !choosable && ReadFile(path) == bytes
                                : ReadFile(path) == bytes + "\r\n" && settings.Load().path == bytes;
    if (!firstLine || !stored)
        std::abort();
    return 0;
}
