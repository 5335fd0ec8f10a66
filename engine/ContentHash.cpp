// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContentHash.h"

#include <memory>

// Header-only: nothing to link, on any system.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace saver {
namespace {

// Base64 with '-' and '_' (URL-safe, no padding): 22 characters, a third fewer than in
// hexadecimal, which keeps a manifest of thousands of files small. The last one carries two
// bits and four zero bits.
constexpr std::string_view kDigits =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr std::size_t kTextLength = 22;
constexpr int kBits = 128;

bool Bit(const ContentHash& hash, int i)
{
    if (i >= kBits)
        return false;
    return i < 64 ? (hash.high >> (63 - i)) & 1 : (hash.low >> (127 - i)) & 1;
}

void SetBit(ContentHash& hash, int i)
{
    if (i < 64)
        hash.high |= std::uint64_t{1} << (63 - i);
    else
        hash.low |= std::uint64_t{1} << (127 - i);
}

struct StateFree
{
    void operator()(XXH3_state_t* state) const { XXH3_freeState(state); }
};

} // namespace

std::string ContentHash::Text() const
{
    std::string text(kTextLength, 'A');
    for (std::size_t k = 0; k < kTextLength; ++k) {
        std::size_t digit = 0;
        for (int j = 0; j < 6; ++j)
            digit = digit << 1 | (Bit(*this, static_cast<int>(k) * 6 + j) ? 1 : 0);
        text[k] = kDigits[digit];
    }
    return text;
}

std::optional<ContentHash> ContentHash::FromText(std::string_view text)
{
    if (text.size() != kTextLength)
        return std::nullopt;
    ContentHash hash;
    for (std::size_t k = 0; k < kTextLength; ++k) {
        const std::size_t digit = kDigits.find(text[k]);
        if (digit == std::string_view::npos)
            return std::nullopt;
        for (int j = 0; j < 6; ++j) {
            const int i = static_cast<int>(k) * 6 + j;
            if (((digit >> (5 - j)) & 1) == 0)
                continue;
            // Bits past the 128th are never set by Text(): such a text is no hash of ours.
            if (i >= kBits)
                return std::nullopt;
            SetBit(hash, i);
        }
    }
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
