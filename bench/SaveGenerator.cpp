#include "SaveGenerator.h"

#include "BenchFailure.h"
#include "FileDescriptor.h"
#include "FolderRemoval.h"
#include "SystemError.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <vector>

namespace saver::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kKiB = 1024;
constexpr std::size_t kMiB = kKiB * 1024;

// splitmix64: fast, and good enough that no compressor finds structure in its output.
class RandomStream
{
public:
    explicit RandomStream(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    std::size_t Between(std::size_t low, std::size_t high)
    {
        return low + static_cast<std::size_t>(Next() % (high - low + 1));
    }

    void Fill(std::vector<char>& bytes)
    {
        for (std::size_t i = 0; i + 8 <= bytes.size(); i += 8) {
            const std::uint64_t word = Next();
            std::memcpy(bytes.data() + i, &word, 8);
        }
        for (std::size_t i = bytes.size() & ~std::size_t{7}; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(Next());
        }
    }

private:
    std::uint64_t m_state;
};

class Writer
{
public:
    explicit Writer(std::string root) : m_root(std::move(root)), m_random(20240601) {}

    void File(const std::string& name, std::size_t size)
    {
        const std::string path = m_root + "/" + name;
        fs::create_directories(fs::path(path).parent_path());
        m_buffer.resize(size);
        m_random.Fill(m_buffer);
        FileDescriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!file.IsOpen()) {
            throw BenchFailure("create " + path, LastError());
        }
        Check(file.WriteAll({m_buffer.data(), m_buffer.size()}), "write " + path);
        Check(file.Close(), "close " + path);
        ++m_made.files;
        m_made.bytes += size;
    }

    // Region files are whole 4 KiB sectors, as the game writes them.
    void Regions(const std::string& folder, int count)
    {
        for (int i = 0; i < count; ++i) {
            const int x = i % 16 - 8;
            const int z = i / 16 - 8;
            const std::size_t sectors = m_random.Between(200 / 4, 1940 / 4);
            File(folder + "/r." + std::to_string(x) + "." + std::to_string(z) + ".mca",
                 sectors * 4 * kKiB);
        }
    }

    void Smalls(const std::string& folder, const std::string& prefix, const std::string& suffix,
                int count, std::size_t low, std::size_t high)
    {
        for (int i = 0; i < count; ++i) {
            File(folder + "/" + prefix + std::to_string(10000 + i) + suffix,
                 m_random.Between(low, high));
        }
    }

    const GeneratedSave& Made() const { return m_made; }

private:
    std::string m_root;
    RandomStream m_random;
    std::vector<char> m_buffer;
    GeneratedSave m_made;
};

std::string MarkOf(const std::string& folder)
{
    return folder + ".done";
}

} // namespace

GeneratedSave GenerateSave(const std::string& folder)
{
    Writer writer(folder);
    writer.File("level.dat", 4 * kKiB + 311);
    writer.File("level.dat_old", 4 * kKiB + 297);
    writer.File("session.lock", 3);
    writer.Regions("region", 500);
    writer.Regions("entities", 150);
    writer.Regions("poi", 100);
    writer.Regions("DIM-1/region", 100);
    writer.Regions("DIM-1/entities", 25);
    writer.Regions("DIM-1/poi", 25);
    writer.Regions("DIM1/region", 60);
    writer.Regions("DIM1/entities", 20);
    writer.Regions("DIM1/poi", 20);
    writer.Smalls("playerdata", "player-", ".dat", 90, 1 * kKiB, 12 * kKiB);
    writer.Smalls("playerdata", "player-", ".dat_old", 90, 1 * kKiB, 12 * kKiB);
    writer.Smalls("advancements", "player-", ".json", 90, 2 * kKiB, 16 * kKiB);
    writer.Smalls("stats", "player-", ".json", 90, 500, 6 * kKiB);
    writer.Smalls("data", "map_", ".dat", 60, 1 * kKiB, 9 * kKiB);
    writer.Smalls("datapacks/bench/data/functions", "tick_", ".mcfunction", 20, 100, 2 * kKiB);
    return writer.Made();
}

GeneratedSave EnsureSave(const std::string& folder)
{
    if (fs::exists(MarkOf(folder)) && fs::is_directory(folder)) {
        return MeasureSave(folder);
    }
    if (fs::exists(fs::symlink_status(folder))) {
        Check(RemoveFolderTree(folder), "remove the incomplete save " + folder);
    }
    std::cerr << "Generating the save in " << folder << " …" << std::endl;
    const GeneratedSave made = GenerateSave(folder);
    // On disk before it is marked complete: a power cut must not leave a marked half save.
    ::sync();
    FileDescriptor mark(
        ::open(MarkOf(folder).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!mark.IsOpen()) {
        throw BenchFailure("create " + MarkOf(folder), LastError());
    }
    Check(mark.Close(), "close " + MarkOf(folder));
    return made;
}

GeneratedSave MeasureSave(const std::string& folder)
{
    GeneratedSave found;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            ++found.files;
            found.bytes += entry.file_size();
        }
    }
    return found;
}

} // namespace saver::bench
