// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackupHolds.h"

#include <utility>

namespace saver {

BackupHolds::Hold::Hold(BackupHolds& holds, std::string path, bool removal)
    : m_holds(&holds), m_path(std::move(path)), m_removal(removal)
{
}

BackupHolds::Hold::Hold(Hold&& other) noexcept
    : m_holds(std::exchange(other.m_holds, nullptr)), m_path(std::move(other.m_path)),
      m_removal(other.m_removal)
{
}

BackupHolds::Hold::~Hold()
{
    if (m_holds == nullptr)
        return;
    {
        const std::lock_guard lock(m_holds->m_mutex);
        if (m_removal)
            m_holds->m_removing.erase(m_path);
        else if (--m_holds->m_users[m_path] == 0)
            m_holds->m_users.erase(m_path);
    }
    m_holds->m_released.notify_all();
}

std::optional<BackupHolds::Hold> BackupHolds::HoldForUse(const std::string& path)
{
    const std::lock_guard lock(m_mutex);
    if (m_removing.contains(path))
        return std::nullopt;
    ++m_users[path];
    return Hold(*this, path, false);
}

std::optional<BackupHolds::Hold> BackupHolds::HoldForRemoval(const std::string& path)
{
    const std::lock_guard lock(m_mutex);
    if (!Free(path))
        return std::nullopt;
    m_removing.insert(path);
    return Hold(*this, path, true);
}

std::optional<BackupHolds::Hold> BackupHolds::WaitForRemoval(const std::string& path,
                                                             std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    if (!m_released.wait(lock, std::move(stop), [&] { return Free(path); }))
        return std::nullopt;
    m_removing.insert(path);
    return Hold(*this, path, true);
}

bool BackupHolds::Free(const std::string& path) const
{
    return !m_users.contains(path) && !m_removing.contains(path);
}

} // namespace saver
