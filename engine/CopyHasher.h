// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ContentHash.h"
#include "Services.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <unordered_map>

namespace saver {

// Hashes the files of a copy on a thread of its own while the copy goes on, each as soon as
// the copier has finished it. The copier spends much of its time waiting for the disk; read
// in those gaps, fresh in memory, the files cost the copy's manifest little more than the copy.
class CopyHasher
{
public:
    // `copy` is the folder the copier fills; `cancel` also stops the hashing.
    CopyHasher(FileServices& files, std::string copy, std::stop_token cancel);
    CopyHasher(const CopyHasher&) = delete;
    CopyHasher& operator=(const CopyHasher&) = delete;

    // A file of the copy, by its path inside it, whose bytes will not change any more. Safe
    // from any thread.
    void Add(std::string path);
    // Waits for the files added so far; gives the hashes of those that could be read. One
    // that could not be is left for the manifest to read again and report.
    std::unordered_map<std::string, ContentHash> Finish();

private:
    void Work(const std::stop_token& stop);

    FileServices& m_files;
    const std::string m_copy;
    const std::stop_token m_cancel;
    std::mutex m_mutex;
    std::condition_variable_any m_added;
    std::deque<std::string> m_waiting;
    bool m_finishing = false;
    std::unordered_map<std::string, ContentHash> m_hashes;
    // Last: it starts once everything it uses is made, and a copy that failed leaves it to
    // be stopped and joined here.
    std::jthread m_thread;
};

} // namespace saver
