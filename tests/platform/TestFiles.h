// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TempDir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <random>

namespace saver::test {

// The same bytes for the same seed, which a copy that drops or shifts a block cannot match.
inline std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

class InTempDir : public ::testing::Test
{
protected:
    std::string In(const std::string& name) const { return m_dir.path() + "/" + name; }
    // Writes the file `name` in it, with the folders it lies in.
    void Put(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories(NativePath(In(name)).parent_path());
        WriteFile(In(name), bytes);
    }

    TempDir m_dir;
};

// Every entry below `folder`, links not followed, by its relative path: "link:<text>", or its
// kind, permissions and time of change, and for a file its size and a hash of its bytes.
inline std::map<std::string, std::string> ListTree(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(NativePath(folder))) {
        std::string& text = tree[Utf8Path(entry.path().lexically_relative(NativePath(folder)))];
#ifdef _WIN32
        // Windows keeps no permission bits, and Wine no links.
        text = (entry.is_directory() ? "folder " : "file ") +
               std::to_string(entry.last_write_time().time_since_epoch().count());
#else
        struct stat info = {};
        ::lstat(entry.path().c_str(), &info);
        text = entry.is_symlink()
                   ? "link:" + fs::read_symlink(entry).string()
                   : std::to_string(info.st_mode) + " " + std::to_string(info.st_mtim.tv_sec) +
                         "." + std::to_string(info.st_mtim.tv_nsec);
#endif
        if (entry.is_regular_file() && !entry.is_symlink())
            text += " " + std::to_string(std::hash<std::string>{}(ReadFile(entry.path())));
    }
    return tree;
}

#ifndef _WIN32
// Root passes every permission check: as root, `task` runs in a child that has become
// "nobody". Returns what `task` returns, or -1 when the child could not tell.
inline int RunUnprivileged(const std::function<int()>& task)
{
    int ends[2] = {};
    if (::geteuid() != 0 || ::pipe(ends) != 0)
        return ::geteuid() != 0 ? task() : -1;
    if (::fork() == 0) {
        const int result = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? task() : -1;
        ::_exit(::write(ends[1], &result, sizeof result) == sizeof result ? 0 : 1);
    }
    ::close(ends[1]);
    int result = -1;
    const bool told = ::read(ends[0], &result, sizeof result) == sizeof result;
    ::close(ends[0]);
    ::wait(nullptr);
    return told ? result : -1;
}
#endif

} // namespace saver::test
