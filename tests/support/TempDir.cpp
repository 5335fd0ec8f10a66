#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace saver::test {
namespace {

namespace fs = std::filesystem;

std::string DefaultBase()
{
    const char* base = std::getenv("TMPDIR");
    return base != nullptr && *base != '\0' ? base : "/tmp";
}

// Tests lock folders on purpose; their owner must open them again before they can be
// emptied. Links are not followed, so nothing outside the folder changes.
void MakeRemovable(const fs::path& path)
{
    std::error_code ignored;
    if (!fs::is_directory(fs::symlink_status(path, ignored))) {
        return;
    }
    fs::permissions(path, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const fs::directory_entry& entry : fs::directory_iterator(path, ignored)) {
        MakeRemovable(entry.path());
    }
}

} // namespace

TempDir::TempDir(const std::string& base)
{
    std::string pattern = (base.empty() ? DefaultBase() : base) + "/saver-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    m_path = pattern;
}

TempDir::~TempDir()
{
    MakeRemovable(m_path);
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace saver::test
