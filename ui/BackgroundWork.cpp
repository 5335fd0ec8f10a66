// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackgroundWork.h"

BackgroundWork::~BackgroundWork()
{
    StopAll();
    m_jobs.clear();
}

void BackgroundWork::StopAll()
{
    for (Job& job : m_jobs)
        job.thread.request_stop();
}

void BackgroundWork::ForgetFinished()
{
    m_jobs.remove_if([](const Job& job) { return job.finished->load(); });
}
