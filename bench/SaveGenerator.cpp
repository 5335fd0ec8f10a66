// SPDX-License-Identifier: GPL-3.0-or-later
#include "SaveGenerator.h"

#include <QProcess>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace saver::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kKiB = 1024;

// Writes files of random bytes below one folder.
class Writer
{
public:
    Writer(fs::path root, std::uint64_t seed) : m_root(std::move(root)), m_state(seed) {}

    void File(const std::string& name, std::size_t size)
    {
        m_buffer.resize(size);
        std::size_t i = 0;
        for (; i + 8 <= size; i += 8) {
            const std::uint64_t word = Next();
            std::memcpy(m_buffer.data() + i, &word, 8);
        }
        for (; i < size; ++i)
            m_buffer[i] = static_cast<char>(Next());
        const fs::path path = m_root / name;
        fs::create_directories(path.parent_path());
        std::ofstream file(path, std::ios::binary);
        file.write(m_buffer.data(), static_cast<std::streamsize>(size));
        file.close();
        if (!file)
            throw std::runtime_error("cannot write " + path.string());
    }

    std::size_t Between(std::size_t low, std::size_t high)
    {
        return low + static_cast<std::size_t>(Next() % (high - low + 1));
    }

private:
    // splitmix64: fast, and good enough that no compressor finds structure in its output.
    std::uint64_t Next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }

    fs::path m_root;
    std::uint64_t m_state;
    std::vector<char> m_buffer;
};

} // namespace

void EnsureSave(const std::string& folder)
{
    // A run that was interrupted while it generated leaves no mark and starts over.
    const std::string mark = folder + ".done";
    if (fs::exists(mark) && fs::is_directory(folder))
        return;
    fs::remove_all(folder);
    std::cerr << "Generating the save in " << folder << " …" << std::endl;
    Writer save(folder, 20240601);
    save.File("level.dat", 4 * kKiB + 311);
    save.File("level.dat_old", 4 * kKiB + 297);
    save.File("session.lock", 3);
    const std::pair<std::string, int> regionFolders[] = {
        {"region", 500},       {"entities", 150},      {"poi", 100},
        {"DIM-1/region", 100}, {"DIM-1/entities", 25}, {"DIM-1/poi", 25},
        {"DIM1/region", 60},   {"DIM1/entities", 20},  {"DIM1/poi", 20}};
    for (const auto& [regionFolder, count] : regionFolders) {
        for (int i = 0; i < count; ++i) {
            // Whole 4 KiB sectors, as the game writes them.
            save.File(regionFolder + "/r." + std::to_string(i % 16 - 8) + "." +
                          std::to_string(i / 16 - 8) + ".mca",
                      save.Between(200 / 4, 1940 / 4) * 4 * kKiB);
        }
    }
    // The player, statistics and map files: name before and after the number, how many, sizes.
    const std::tuple<std::string, std::string, int, std::size_t, std::size_t> smallFiles[] = {
        {"playerdata/player-", ".dat", 90, 1 * kKiB, 12 * kKiB},
        {"playerdata/player-", ".dat_old", 90, 1 * kKiB, 12 * kKiB},
        {"advancements/player-", ".json", 90, 2 * kKiB, 16 * kKiB},
        {"stats/player-", ".json", 90, 500, 6 * kKiB},
        {"data/map_", ".dat", 60, 1 * kKiB, 9 * kKiB},
        {"datapacks/bench/data/functions/tick_", ".mcfunction", 20, 100, 2 * kKiB}};
    for (const auto& [prefix, suffix, count, low, high] : smallFiles) {
        for (int i = 0; i < count; ++i)
            save.File(prefix + std::to_string(10000 + i) + suffix, save.Between(low, high));
    }
    // On disk before it is marked complete: a power cut must not leave a marked half save.
    FlushFilesystem(folder);
    if (!std::ofstream(mark))
        throw std::runtime_error("cannot create " + mark);
}

void RewriteRegionFiles(const std::string& folder, std::uint64_t round)
{
    std::vector<fs::path> regions;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.path().extension() == ".mca")
            regions.push_back(fs::relative(entry.path(), folder));
    }
    std::sort(regions.begin(), regions.end());
    Writer save(folder, round);
    for (std::size_t i = 0; i < regions.size() / 100; ++i) {
        const fs::path& region = regions[save.Between(0, regions.size() - 1)];
        save.File(region.string(), fs::file_size(folder / region));
    }
}

SaveSize ReadSave(const std::string& folder)
{
    SaveSize found;
    std::vector<char> buffer(std::size_t{1} << 20);
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        while (file.read(buffer.data(), std::ssize(buffer)) || file.gcount() > 0)
            found.bytes += static_cast<std::uint64_t>(file.gcount());
        if (!file.eof())
            throw std::runtime_error("cannot read " + entry.path().string());
        ++found.files;
    }
    return found;
}

void FlushFilesystem(const std::string& path)
{
    if (QProcess::execute("sync", {"-f", QString::fromStdString(path)}) != 0)
        throw std::runtime_error("sync -f " + path + " failed");
}

} // namespace saver::bench
