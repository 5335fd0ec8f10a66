// saver::IsValidUtf8 against a decoder built from the Unicode table of well-formed
// sequences: on the input bytes as they are, and on text encoded from code points the
// input picks, where overlong forms, surrogates and values past U+10FFFF are made on
// purpose (random bytes rarely hit those edges).

#include "ReferenceUtf8.h"
#include "Require.h"
#include "SettingsFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using saver::fuzz::Require;

void CheckBytes(const std::string& bytes)
{
    const auto decoded = saver::fuzz::DecodeUtf8(bytes);
    Require(saver::IsValidUtf8(bytes) == decoded.has_value(),
            "IsValidUtf8 agrees with the reference decoder");
    if (!decoded)
        return;
    std::string encoded;
    for (const char32_t codePoint : *decoded)
        encoded += saver::fuzz::EncodeUtf8(codePoint, saver::fuzz::ShortestLength(codePoint));
    Require(encoded == bytes, "well-formed text encodes back to the same bytes");
}

// Every four input bytes make one code point: the first asks for extra length (an
// overlong form), the other three give the value.
void CheckEncoded(const std::uint8_t* data, std::size_t size)
{
    std::string text;
    bool wellFormed = true;
    for (std::size_t at = 0; at + 4 <= size; at += 4) {
        const char32_t codePoint =
            (char32_t{data[at + 1]} << 16 | char32_t{data[at + 2]} << 8 | data[at + 3]) & 0x1FFFFF;
        const int shortest = saver::fuzz::ShortestLength(codePoint);
        const int length = std::min(4, shortest + (data[at] & 3));
        text += saver::fuzz::EncodeUtf8(codePoint, length);
        const bool surrogate = codePoint >= 0xD800 && codePoint <= 0xDFFF;
        wellFormed = wellFormed && length == shortest && !surrogate && codePoint <= 0x10FFFF;
    }
    Require(saver::IsValidUtf8(text) == wellFormed,
            "IsValidUtf8 refuses exactly the overlong, surrogate and too large code points");
    CheckBytes(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CheckBytes(std::string(reinterpret_cast<const char*>(data), size));
    CheckEncoded(data, size);
    return 0;
}
