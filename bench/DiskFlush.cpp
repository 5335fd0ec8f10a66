#include "DiskFlush.h"

#include "BenchFailure.h"
#include "FileDescriptor.h"
#include "SystemError.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>

namespace saver::bench {

void FlushFilesystem(const std::string& path)
{
    FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.IsOpen()) {
        throw BenchFailure("open " + path, LastError());
    }
    if (::syncfs(folder.Get()) != 0) {
        throw BenchFailure("syncfs " + path, LastError());
    }
    Check(folder.Close(), "close " + path);
}

void WarmPageCache(const std::string& folder)
{
    constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
    const auto buffer = std::make_unique_for_overwrite<char[]>(kBufferBytes);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        FileDescriptor file(::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC));
        if (!file.IsOpen()) {
            throw BenchFailure("open " + entry.path().string(), LastError());
        }
        for (;;) {
            const ssize_t got = ::read(file.Get(), buffer.get(), kBufferBytes);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                throw BenchFailure("read " + entry.path().string(), LastError());
            }
            if (got == 0) {
                break;
            }
        }
    }
}

} // namespace saver::bench
