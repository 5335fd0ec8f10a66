#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <string>
#include <sys/resource.h>
#include <system_error>

namespace saver::test {

// Names each case of a table after the case's `name` field.
struct CaseName
{
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const
    {
        return tested.param.name;
    }
};

// `size` pseudo-random bytes, the same for the same seed: a copy that drops, repeats or
// shifts a block cannot match them by chance.
std::string RandomBytes(std::size_t size, unsigned seed);

// Every entry below `folder` by its path relative to `folder`: "dir", "file:<size>:<hash>",
// "link:<link text>" or, for pipes and sockets, "special". Links are not followed.
std::map<std::string, std::string> ListTree(const std::string& folder);

// What the services return for `expected`: no error at all for std::errc{}, otherwise the
// code in the generic category.
std::error_code CodeOf(std::errc expected);

// Root passes every permission check, so tests of refused access cannot run as root.
bool IsRoot();

// While it lives, writes past `limit` bytes of a file fail with EFBIG: a copy can be made
// to fail halfway without filling a disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit);
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit();

private:
    rlimit m_saved{};
    void (*m_savedHandler)(int) = nullptr;
};

} // namespace saver::test
