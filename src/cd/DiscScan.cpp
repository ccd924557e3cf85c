#include "DiscScan.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include <atomic>
#include <mutex>
#include <thread>

namespace lumadeck {

// Shared by the scan and its thread, which may outlive it.
struct DiscScan::State {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    bool opened = false; // these three are written before done is set
    QString error;
    QList<DiscFile> files;
    std::mutex wakeLock;
    QObject* waker = nullptr; // lives in the waiting thread; cleared when the scan goes
};

DiscScan::DiscScan(const QString& source) : m_state(std::make_shared<State>()) {
    m_state->waker = new QObject;
    std::thread([state = m_state, source] {
        if (const auto disc = VcdDisc::Open(source, &state->error)) {
            state->opened = true;
            state->files = disc->Files(&state->stop);
        }
        state->done.store(true, std::memory_order_release);
        const std::lock_guard<std::mutex> lock(state->wakeLock);
        if (state->waker) {
            // Wakes the waiting thread's event loop.
            QMetaObject::invokeMethod(
                state->waker, [] {}, Qt::QueuedConnection);
        }
    }).detach();
}

DiscScan::~DiscScan() {
    Cancel();
    QObject* waker = nullptr;
    {
        const std::lock_guard<std::mutex> lock(m_state->wakeLock);
        std::swap(waker, m_state->waker);
    }
    delete waker;
}

void DiscScan::Cancel() {
    m_state->stop = true;
}

bool DiscScan::IsDone() const {
    return m_state->done.load(std::memory_order_acquire);
}

void DiscScan::Wait(const std::function<bool()>& stop) {
    while (!m_state->stop) {
        if (stop && stop()) {
            Cancel();
            return;
        }
        if (IsDone()) {
            return;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool DiscScan::HasResult() const {
    return IsDone() && !m_state->stop;
}

bool DiscScan::Opened() const {
    return HasResult() && m_state->opened;
}

QString DiscScan::Error() const {
    return HasResult() ? m_state->error : QString();
}

QList<DiscFile> DiscScan::Files() const {
    return HasResult() ? m_state->files : QList<DiscFile>{};
}

} // namespace lumadeck
