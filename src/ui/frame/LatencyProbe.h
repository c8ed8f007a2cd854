// Opt-in responsiveness probe for end-to-end flood runs: with
// KESTRELON_LATENCY_PROBE=FILE set, a helper thread posts a call to the
// user-interface thread every 10 ms and FILE gets one line per call, the wait in
// microseconds from posting to running. Without the variable nothing is created.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QMetaObject>
#include <QObject>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace kestrelon {

class CLatencyProbe : public QObject {
public:
    static constexpr std::chrono::milliseconds PERIOD{10};

    // Starts a probe owned by `owner` when the variable names a writable file.
    static void StartIfRequested(QObject* owner)
    {
        const QByteArray path = qgetenv("KESTRELON_LATENCY_PROBE");
        if (path.isEmpty())
            return;
        auto file = std::make_unique<QFile>(QFile::decodeName(path));
        if (file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            new CLatencyProbe(std::move(file), owner);
    }

    ~CLatencyProbe() override
    {
        // Calls still queued for this object are discarded with it.
        m_stop = true;
        m_poster.join();
    }

private:
    using Clock = std::chrono::steady_clock;

    CLatencyProbe(std::unique_ptr<QFile> file, QObject* owner) : QObject(owner), m_file(std::move(file))
    {
        // Posting from another thread is what a key press from the display server
        // looks like to the event loop: it waits behind whatever the loop is doing.
        m_poster = std::thread([this] {
            for (auto next = Clock::now(); !m_stop; next += PERIOD) {
                std::this_thread::sleep_until(next);
                const Clock::time_point posted = Clock::now();
                QMetaObject::invokeMethod(this, [this, posted] { Record(posted); }, Qt::QueuedConnection);
            }
        });
    }

    void Record(Clock::time_point posted)
    {
        const auto waited = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - posted);
        m_file->write(QByteArray::number(qint64(waited.count())) + '\n');
        m_file->flush(); // the benchmark reads the file while the program runs
    }

    std::unique_ptr<QFile> m_file;
    std::atomic<bool> m_stop{false};
    std::thread m_poster;
};

} // namespace kestrelon
