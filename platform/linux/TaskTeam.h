// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace saver {

// Runs each task of a batch once, on the calling thread and a few helpers, and returns when
// all of them have run. The helpers read and write the disk at idle priority.
class TaskTeam
{
public:
    explicit TaskTeam(unsigned threads);
    TaskTeam(const TaskTeam&) = delete;
    TaskTeam& operator=(const TaskTeam&) = delete;

    void RunAll(std::size_t count, const std::function<void(std::size_t)>& task);

private:
    void Help(const std::stop_token& stop);
    void Work(const std::function<void(std::size_t)>& task, std::size_t count);

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_done;
    const std::function<void(std::size_t)>* m_task = nullptr;
    std::size_t m_count = 0;
    std::atomic<std::size_t> m_next = 0;
    unsigned m_busy = 0;
    std::uint64_t m_batch = 0;
    // Last, so that the helpers are stopped and joined before anything they use goes.
    std::vector<std::jthread> m_helpers;
};

} // namespace saver
