// SPDX-License-Identifier: GPL-3.0-or-later
#include "TaskTeam.h"

#include "IdleDiskPriority.h"

namespace saver {

TaskTeam::TaskTeam(unsigned threads)
{
    for (unsigned i = 1; i < threads; ++i) {
        m_helpers.emplace_back([this](const std::stop_token& stop) { Help(stop); });
    }
}

void TaskTeam::RunAll(std::size_t count, const std::function<void(std::size_t)>& task)
{
    if (count < 2 || m_helpers.empty()) {
        for (std::size_t i = 0; i < count; ++i) {
            task(i);
        }
        return;
    }
    {
        const std::lock_guard lock(m_mutex);
        m_task = &task;
        m_count = count;
        m_next = 0;
        m_busy = static_cast<unsigned>(m_helpers.size());
        ++m_batch;
    }
    m_wake.notify_all();
    Work(task, count);
    std::unique_lock lock(m_mutex);
    // Helpers still read the batch until they say they are done with it.
    m_done.wait(lock, [this] { return m_busy == 0; });
    m_task = nullptr;
}

void TaskTeam::Help(const std::stop_token& stop)
{
    const IdleDiskPriority idle;
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(std::size_t)>* task = nullptr;
        std::size_t count = 0;
        {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait(lock, stop, [&] { return m_batch != seen; })) {
                return;
            }
            seen = m_batch;
            task = m_task;
            count = m_count;
        }
        Work(*task, count);
        const std::lock_guard lock(m_mutex);
        if (--m_busy == 0) {
            m_done.notify_one();
        }
    }
}

void TaskTeam::Work(const std::function<void(std::size_t)>& task, std::size_t count)
{
    for (std::size_t i = m_next++; i < count; i = m_next++) {
        task(i);
    }
}

} // namespace saver
