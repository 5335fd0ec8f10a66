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

void BackgroundWork::Deliver(std::function<void()> delivery)
{
    {
        const std::lock_guard locked(m_deliveryLock);
        m_deliveries.push_back(std::move(delivery));
    }
    QMetaObject::invokeMethod(this, "DeliverWaiting", Qt::QueuedConnection);
}

void BackgroundWork::DeliverWaiting()
{
    std::vector<std::function<void()>> waiting;
    {
        const std::lock_guard locked(m_deliveryLock);
        waiting.swap(m_deliveries);
    }
    for (std::function<void()>& delivery : waiting)
        delivery();
}
