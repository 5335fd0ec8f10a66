// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace saver {

// The engine's UTF-8 and the UTF-16 of the wide Win32 calls. Bytes that are not UTF-8 become
// U+FFFD; the engine keeps such texts out of paths.
std::wstring WideText(std::string_view utf8);
std::string Utf8Text(std::wstring_view wide);

// A '/'-separated UTF-8 path as the wide calls take it: made absolute, with '\' separators
// and the \\?\ prefix, which lifts the limit of 260 characters.
std::wstring WidePath(const std::string& path);
// A path given by Windows as the engine writes it: '/' separators, no \\?\ prefix.
std::string EnginePath(std::wstring_view path);

} // namespace saver
