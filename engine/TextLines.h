// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <charconv>
#include <string>
#include <string_view>

namespace saver {

// A file name written on a line of its own: '\' and the line ends in it escaped.
std::string EscapedLine(std::string_view text);
// Appends the name `text` stands for to `out`; false for an escape this program never writes.
bool UnescapeLine(std::string_view text, std::string& out);

// Takes the next word, up to a space or the end, off the front of `line`.
std::string_view TakeWord(std::string_view& line);

// Reads `text` as a decimal number, all of it and nothing else.
template <typename Number> bool ParseWhole(std::string_view text, Number& number)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

} // namespace saver
