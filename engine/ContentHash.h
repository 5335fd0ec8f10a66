// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Services.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <system_error>

namespace saver {

// What a file holds, in 128 bits (XXH3-128): two files whose hashes are equal hold the same
// bytes, for any damage a disk or a careless tool does.
struct ContentHash
{
    std::uint64_t high = 0;
    std::uint64_t low = 0;

    bool operator==(const ContentHash&) const = default;

    // 22 characters of URL-safe base64, high half first.
    std::string Text() const;
    static std::optional<ContentHash> FromText(std::string_view text);
};

struct HashedFile
{
    std::error_code error;
    ContentHash hash;
    std::uint64_t bytes = 0; // read, whatever the file's size said before
};

// Reads the whole file; `progress` is told of every piece read, by its length.
HashedFile HashFile(FileServices& files, const std::string& path, const std::stop_token& cancel,
                    DiskPriority priority,
                    const std::function<void(std::uint64_t)>& progress = nullptr);

} // namespace saver
