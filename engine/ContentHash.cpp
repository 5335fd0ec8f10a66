// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContentHash.h"

#include <charconv>
#include <memory>

// Header-only: nothing to link, on any system.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace saver {
namespace {

constexpr int kHalfDigits = 16;

std::string Hex(std::uint64_t half)
{
    std::string text(kHalfDigits, '0');
    for (int i = kHalfDigits - 1; i >= 0; --i, half >>= 4)
        text[static_cast<std::size_t>(i)] = "0123456789abcdef"[half & 0xf];
    return text;
}

bool ParseHalf(std::string_view text, std::uint64_t& half)
{
    // from_chars alone would take upper-case digits, which a written hash never has.
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), half, 16);
    return error == std::errc() && end == text.data() + text.size();
}

struct StateFree
{
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};

} // namespace

std::string ContentHash::Text() const
{
    return Hex(high) + Hex(low);
}

std::optional<ContentHash> ContentHash::FromText(std::string_view text)
{
    ContentHash hash;
    if (text.size() != 2 * kHalfDigits || !ParseHalf(text.substr(0, kHalfDigits), hash.high) ||
        !ParseHalf(text.substr(kHalfDigits), hash.low))
        return std::nullopt;
    return hash;
}

HashedFile HashFile(FileServices& files, const std::string& path, const std::stop_token& cancel,
                    DiskPriority priority, const std::function<void(std::uint64_t)>& progress)
{
    HashedFile hashed;
    const std::unique_ptr<XXH3_state_t, StateFree> state(XXH3_createState());
    if (!state || XXH3_128bits_reset(state.get()) == XXH_ERROR) {
        hashed.error = std::make_error_code(std::errc::not_enough_memory);
        return hashed;
    }
    hashed.error = files.ReadChunks(
        path,
        [&](std::string_view piece) {
            XXH3_128bits_update(state.get(), piece.data(), piece.size());
            hashed.bytes += piece.size();
            if (progress)
                progress(piece.size());
        },
        cancel, priority);
    const XXH128_hash_t digest = XXH3_128bits_digest(state.get());
    hashed.hash = {digest.high64, digest.low64};
    return hashed;
}

} // namespace saver
