// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ForwardingServices.h"
#include "TempDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace saver::test {

using Tree = std::map<std::string, std::string>;

// Every file below `folder` with its bytes; nothing when there is no such folder.
inline Tree TreeOf(const std::string& folder)
{
    Tree tree;
    if (!std::filesystem::exists(NativePath(folder)))
        return tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(NativePath(folder)))
        if (entry.is_regular_file())
            tree[Utf8Path(std::filesystem::relative(entry.path(), NativePath(folder)))] =
                ReadFile(entry.path());
    return tree;
}

// Writes every file of `tree` below `folder`, making the folders it needs.
inline void WriteTree(const std::string& folder, const Tree& tree)
{
    for (const auto& [name, bytes] : tree) {
        std::filesystem::create_directories(NativePath(folder + "/" + name).parent_path());
        WriteFile(folder + "/" + name, bytes);
    }
}

// The names in `folder`, sorted.
inline std::vector<std::string> Names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(NativePath(folder)))
        names.push_back(Utf8Path(entry.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// The data folder on another filesystem than the game's: nothing renames from one to the other.
class OtherFilesystem final : public ForwardingServices
{
public:
    using ForwardingServices::ForwardingServices;
    std::error_code Rename(Path from, Path to, bool replace) override
    {
        if (from.starts_with(AppDir() + "/") != to.starts_with(AppDir() + "/"))
            return std::make_error_code(std::errc::cross_device_link);
        return m_inner.Rename(from, to, replace);
    }
};

// Changes one byte inside the file, its size, time and identity left as they were: damage no
// look at the folder would notice.
inline void FlipByte(const std::string& path)
{
    const auto time = std::filesystem::last_write_time(NativePath(path));
    std::fstream file(NativePath(path), std::ios::in | std::ios::out | std::ios::binary);
    char byte = 0;
    file.seekg(1).get(byte);
    file.seekp(1).put(static_cast<char>(byte ^ 0x20));
    file.close();
    std::filesystem::last_write_time(NativePath(path), time);
}

} // namespace saver::test
