// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FaultyServices.h"

#include <atomic>
#include <stop_token>
#include <string>
#include <utility>

// The real file services (FaultyServices fails nothing until told to), except that a folder
// copy reports half of it done and then waits until the test opens the gate or the copy is
// asked to stop. The gate may be closed again for the copies into one folder alone.
class GatedFileServices final : public saver::test::FaultyServices
{
public:
    using FaultyServices::FaultyServices;

    void OpenGate()
    {
        m_open = true;
        m_open.notify_all();
    }
    // `into`: the folder whose copies wait, or "" for every copy.
    void CloseGate(std::string into = {})
    {
        m_gatedInto = std::move(into);
        m_open = false;
    }

    saver::FolderCopyResult CopyFolder(const std::string& from, const std::string& into,
                                       const saver::FolderCopyOptions& options) override
    {
        if (!into.ends_with(m_gatedInto))
            return FaultyServices::CopyFolder(from, into, options);
        options.progress(1, 2);
        const std::stop_callback stopped(options.cancel, [this] { OpenGate(); });
        m_open.wait(false);
        if (options.cancel.stop_requested())
            return {std::make_error_code(std::errc::operation_canceled)};
        return FaultyServices::CopyFolder(from, into, options);
    }

    // Reads of the files whose paths end with `path` wait at the gate too, from now on.
    void HoldReadsOf(std::string path)
    {
        m_heldReads = std::move(path);
        m_open = false;
    }
    std::error_code ReadChunks(Path path, const std::function<void(std::string_view)>& take,
                               const std::stop_token& cancel, saver::DiskPriority priority) override
    {
        if (!m_heldReads.empty() && path.ends_with(m_heldReads)) {
            const std::stop_callback stopped(cancel, [this] { OpenGate(); });
            m_open.wait(false);
        }
        return FaultyServices::ReadChunks(path, take, cancel, priority);
    }
    bool IsLockedByAnotherProcess(const std::string& path) override
    {
        return gameHoldsLock || FaultyServices::IsLockedByAnotherProcess(path);
    }
    // The game has its world open, holding session.lock.
    std::atomic<bool> gameHoldsLock = false;

private:
    std::atomic<bool> m_open = false;
    std::string m_gatedInto, m_heldReads;
};
