#include "ReferenceUtf8.h"

#include <array>
#include <cstddef>

namespace saver::fuzz {
namespace {

struct ByteRange
{
    unsigned char low;
    unsigned char high;
};

// One row per kind of well-formed sequence: the range each of its bytes must fall in.
struct Row
{
    std::size_t length;
    std::array<ByteRange, 4> bytes;
};

constexpr ByteRange kTail{0x80, 0xBF};

constexpr std::array<Row, 9> kWellFormed = {{
    {1, {{{0x00, 0x7F}}}},
    {2, {{{0xC2, 0xDF}, kTail}}},
    {3, {{{0xE0, 0xE0}, {0xA0, 0xBF}, kTail}}},
    {3, {{{0xE1, 0xEC}, kTail, kTail}}},
    {3, {{{0xED, 0xED}, {0x80, 0x9F}, kTail}}},
    {3, {{{0xEE, 0xEF}, kTail, kTail}}},
    {4, {{{0xF0, 0xF0}, {0x90, 0xBF}, kTail, kTail}}},
    {4, {{{0xF1, 0xF3}, kTail, kTail, kTail}}},
    {4, {{{0xF4, 0xF4}, {0x80, 0x8F}, kTail, kTail}}},
}};

constexpr std::array<unsigned char, 5> kLeadBits = {0, 0x00, 0xC0, 0xE0, 0xF0};
constexpr std::array<unsigned char, 5> kLeadMask = {0, 0x7F, 0x1F, 0x0F, 0x07};

bool Matches(const Row& row, std::string_view text, std::size_t at)
{
    if (text.size() - at < row.length)
        return false;
    for (std::size_t k = 0; k < row.length; ++k) {
        const auto byte = static_cast<unsigned char>(text[at + k]);
        if (byte < row.bytes[k].low || byte > row.bytes[k].high)
            return false;
    }
    return true;
}

} // namespace

std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text)
{
    std::vector<char32_t> codePoints;
    std::size_t at = 0;
    while (at < text.size()) {
        const Row* found = nullptr;
        for (const Row& row : kWellFormed) {
            if (Matches(row, text, at)) {
                found = &row;
                break;
            }
        }
        if (found == nullptr)
            return std::nullopt;
        char32_t codePoint = static_cast<unsigned char>(text[at]) & kLeadMask[found->length];
        for (std::size_t k = 1; k < found->length; ++k)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[at + k]) & 0x3Fu);
        codePoints.push_back(codePoint);
        at += found->length;
    }
    return codePoints;
}

std::string EncodeUtf8(char32_t codePoint, int length)
{
    std::string bytes(static_cast<std::size_t>(length), '\0');
    for (int k = length - 1; k > 0; --k) {
        bytes[static_cast<std::size_t>(k)] = static_cast<char>(0x80 | (codePoint & 0x3F));
        codePoint >>= 6;
    }
    bytes[0] = static_cast<char>(kLeadBits[static_cast<std::size_t>(length)] |
                                 (codePoint & kLeadMask[static_cast<std::size_t>(length)]));
    return bytes;
}

int ShortestLength(char32_t codePoint)
{
    if (codePoint < 0x80)
        return 1;
    if (codePoint < 0x800)
        return 2;
    if (codePoint < 0x10000)
        return 3;
    return 4;
}

} // namespace saver::fuzz
