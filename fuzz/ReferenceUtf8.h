#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace saver::fuzz {

// UTF-8 read the way the Unicode standard tables its well-formed byte sequences, row by
// row, rather than by decoding bits and then ruling out values as the program does.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text);

// Writes `codePoint` (at most 0x1FFFFF) in `length` bytes, from ShortestLength(codePoint)
// to 4, by the bit pattern alone: overlong forms, surrogates and values past U+10FFFF come
// out as asked, so that ill-formed text can be made on purpose.
std::string EncodeUtf8(char32_t codePoint, int length);
// The fewest bytes the bit pattern needs for `codePoint`.
int ShortestLength(char32_t codePoint);

} // namespace saver::fuzz
