// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <iconv.h>

#include <string>

namespace saver::test {

// Whether glibc's converter reads all of `text` as UTF-8: the reference the program's own
// reading is held to.
inline bool GlibcReadsUtf8(const std::string& text)
{
    static const iconv_t converter = iconv_open("UTF-32LE", "UTF-8");
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out(4 * text.size(), '\0');
    char* in = const_cast<char*>(text.data());
    char* to = out.data();
    std::size_t inLeft = text.size();
    std::size_t outLeft = out.size();
    return iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
}

} // namespace saver::test
