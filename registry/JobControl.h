// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QtGlobal>
#include <atomic>
#include <functional>

namespace vatrel {

// What a long job over a log file (indexing, export, printing) is told and tells while it runs,
// possibly on another thread: whether it was cancelled, and how far it got. The job calls
// progress() as often as it likes; the callback is called first after `firstMs` (a job done sooner
// shows no progress at all) and then at most every `intervalMs`, so a window is not flooded.
class JobControl {
public:
    using Progress = std::function<void(qint64 done, qint64 total)>;

    explicit JobControl(Progress onProgress = {}, int firstMs = 300, int intervalMs = 100)
        : m_onProgress(std::move(onProgress)), m_interval(intervalMs), m_next(firstMs) {
        m_clock.start();
    }

    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

    // Called by the job; the callback runs on the job's thread.
    void progress(qint64 done, qint64 total) {
        if (!m_onProgress || m_clock.elapsed() < m_next) return;
        m_next = m_clock.elapsed() + m_interval;
        m_onProgress(done, total);
    }

private:
    Progress m_onProgress;
    int m_interval;
    qint64 m_next;
    QElapsedTimer m_clock;
    std::atomic<bool> m_cancelled{false};
};

} // namespace vatrel
