// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <string>

namespace saver::test {

#ifdef _WIN32
// Windows has no glibc; its own decoder, told to refuse what is not UTF-8, is the reference.
inline bool GlibcReadsUtf8(const std::string& text)
{
    return text.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                                 static_cast<int>(text.size()), nullptr, 0) > 0;
}
#else

// Whether glibc's converter reads all of `text` as UTF-8: the reference the program's own
// reading is held to.
inline bool GlibcReadsUtf8(const std::string& text)
{
    static const iconv_t converter = iconv_open("UTF-32LE", "UTF-8");
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string out(4 * text.size(), '\0');
    char *in = const_cast<char*>(text.data()), *to = out.data();
    std::size_t inLeft = text.size(), outLeft = out.size();
    return iconv(converter, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1);
}
#endif

} // namespace saver::test
