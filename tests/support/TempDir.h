// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>
#include <type_traits>

namespace saver::test {

// A fresh folder for one test, removed with everything in it when the test ends, locked
// parts included.
class TempDir
{
public:
    // Made inside `base`, or inside the system's folder for temporary files.
    explicit TempDir(const std::string& base = {})
    {
        std::string parent =
            base.empty() ? std::filesystem::temp_directory_path().generic_string() : base;
        if (parent.ends_with('/'))
            parent.pop_back();
        std::random_device seed;
        do
            m_path = parent + "/saver-test-" + std::to_string(seed());
        while (!std::filesystem::create_directory(m_path));
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        // Tests lock folders on purpose: each is opened again before it is entered. Links are
        // not followed, so nothing outside changes.
        namespace fs = std::filesystem;
        std::error_code end, ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (fs::recursive_directory_iterator it(m_path, end); !end && it != fs::end(it);
             it.increment(end))
            if (it->is_directory(ignored) && !it->is_symlink(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_path, ignored);
    }

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A path of the program (UTF-8) as the standard library takes it, on Windows too.
inline std::filesystem::path NativePath(const std::string& path)
{
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// A path of the standard library as the program writes it: UTF-8, '/' separators.
inline std::string Utf8Path(const std::filesystem::path& path)
{
    const std::u8string text = path.generic_u8string();
    return {text.begin(), text.end()};
}

// A path as the system writes it, and saver.ini keeps it: with backslashes on Windows.
inline std::string SystemPath(std::string path)
{
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
#endif
    return path;
}

// Creates or replaces the file `path` with exactly `bytes`; throws on failure.
inline void WriteFile(const std::string& path, const std::string& bytes)
{
    if (!(std::ofstream(NativePath(path), std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

// The whole content of the file `path`; throws on failure.
template <typename Path> std::string ReadFile(const Path& path)
{
    std::ifstream file;
    if constexpr (std::is_same_v<Path, std::filesystem::path>)
        file.open(path, std::ios::binary);
    else
        file.open(NativePath(path), std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read a file of the test");
    // In one go: some files tested are large.
    std::string bytes(static_cast<std::size_t>(file.seekg(0, std::ios::end).tellg()), '\0');
    file.seekg(0).read(bytes.data(), std::ssize(bytes));
    return bytes;
}

} // namespace saver::test
