// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>

namespace saver {

// Which folders are in use right now: a backup being restored from or removed, a save being
// backed up or replaced by a restore. A folder in use by one is never touched by the other;
// pruning passes over a held backup and tries again after the next backup. Shared by every
// thread of the program.
class BackupHolds
{
public:
    // Keeps its backup held (or claimed for removal) for as long as it lives.
    class Hold
    {
    public:
        Hold(BackupHolds& holds, std::string path, bool removal);
        Hold(Hold&& other) noexcept;
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;
        Hold& operator=(Hold&&) = delete;
        ~Hold();

    private:
        BackupHolds* m_holds;
        std::string m_path;
        bool m_removal;
    };

    // Nothing when the backup is being removed.
    std::optional<Hold> HoldForUse(const std::string& path);
    // Nothing when the backup is in use.
    std::optional<Hold> HoldForRemoval(const std::string& path);
    // Waits until nobody uses `path`, then claims it for removal; nothing when `stop` comes
    // first.
    std::optional<Hold> WaitForRemoval(const std::string& path, std::stop_token stop);

private:
    bool Free(const std::string& path) const;

    std::mutex m_mutex;
    std::condition_variable_any m_released;
    std::map<std::string, int> m_users;
    std::set<std::string> m_removing;
};

} // namespace saver
