// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace saver::test {

// A fresh folder for one test, removed with everything in it when the test ends, locked
// parts included.
class TempDir
{
public:
    // Made inside `base`, or inside $TMPDIR (else /tmp) when `base` is empty.
    explicit TempDir(const std::string& base = {})
    {
        const char* tmp = std::getenv("TMPDIR");
        m_path = (base.empty() ? (tmp && *tmp ? tmp : "/tmp") : base) + "/saver-test-XXXXXX";
        if (::mkdtemp(m_path.data()) == nullptr)
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + m_path);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir()
    {
        // Tests lock folders on purpose: each is opened again before it is entered. Links are
        // not followed, so nothing outside changes.
        namespace fs = std::filesystem;
        std::error_code end;
        std::error_code ignored;
        fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, ignored);
        for (fs::recursive_directory_iterator it(m_path, end); !end && it != fs::end(it);
             it.increment(end)) {
            if (it->is_directory(ignored) && !it->is_symlink(ignored))
                fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(m_path, ignored);
    }

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Creates or replaces the file `path` with exactly `bytes`; throws on failure.
inline void WriteFile(const std::string& path, const std::string& bytes)
{
    if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes))
        throw std::runtime_error("cannot write " + path);
}

// The whole content of the file `path`; throws on failure.
inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(file), {}};
}

} // namespace saver::test
