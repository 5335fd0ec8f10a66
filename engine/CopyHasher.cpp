// SPDX-License-Identifier: GPL-3.0-or-later
#include "CopyHasher.h"

#include <utility>

namespace saver {

CopyHasher::CopyHasher(FileServices& files, std::string copy, std::stop_token cancel)
    : m_files(files), m_copy(std::move(copy)), m_cancel(std::move(cancel)),
      m_thread([this](const std::stop_token& stop) { Work(stop); })
{
}

void CopyHasher::Add(std::string path)
{
    {
        const std::lock_guard lock(m_mutex);
        m_waiting.push_back(std::move(path));
    }
    m_added.notify_one();
}

std::unordered_map<std::string, ContentHash> CopyHasher::Finish()
{
    {
        const std::lock_guard lock(m_mutex);
        m_finishing = true;
    }
    m_added.notify_one();
    m_thread.join();
    return std::move(m_hashes);
}

void CopyHasher::Work(const std::stop_token& stop)
{
    std::unique_lock lock(m_mutex);
    while (m_added.wait(lock, stop, [this] { return !m_waiting.empty() || m_finishing; }) &&
           !m_waiting.empty() && !m_cancel.stop_requested()) {
        const std::string path = std::move(m_waiting.front());
        m_waiting.pop_front();
        lock.unlock();
        const HashedFile hashed =
            HashFile(m_files, m_copy + "/" + path, m_cancel, DiskPriority::Normal);
        lock.lock();
        if (!hashed.error)
            m_hashes.emplace(path, hashed.hash);
    }
}

} // namespace saver
