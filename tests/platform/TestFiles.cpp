#include "TestFiles.h"

#include "TempDir.h"

#include <csignal>
#include <filesystem>
#include <functional>
#include <random>
#include <unistd.h>

namespace saver::test {

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(byte(generator));
    }
    return bytes;
}

std::map<std::string, std::string> ListTree(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::map<std::string, std::string> tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).string();
        if (entry.is_symlink()) {
            tree[name] = "link:" + fs::read_symlink(entry.path()).string();
        } else if (entry.is_directory()) {
            tree[name] = "dir";
        } else if (entry.is_regular_file()) {
            // Content by size and hash keeps a failure message readable for big files.
            const std::string content = ReadFile(entry.path().string());
            tree[name] = "file:" + std::to_string(content.size()) + ":" +
                         std::to_string(std::hash<std::string>{}(content));
        } else {
            tree[name] = "special";
        }
    }
    return tree;
}

std::error_code CodeOf(std::errc expected)
{
    return expected == std::errc{} ? std::error_code{} : std::make_error_code(expected);
}

bool IsRoot()
{
    return ::geteuid() == 0;
}

FileSizeLimit::FileSizeLimit(rlim_t limit)
{
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    // The kernel also raises SIGXFSZ, which would end the test program.
    m_savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lowered = m_saved;
    lowered.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
}

FileSizeLimit::~FileSizeLimit()
{
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_savedHandler);
}

} // namespace saver::test
