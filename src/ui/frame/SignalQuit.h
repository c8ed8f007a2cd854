// Ends the program cleanly when the system asks it to: SIGTERM (kill, a
// shutdown), SIGINT (Ctrl+C in the starting terminal) and SIGHUP (a logout).
// The handler only writes a byte into a pipe; the event loop reads it and runs
// the quit action there, so the program ends as File > Exit ends it.
#pragma once

#include <QObject>

#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace kestrelon {

class CSignalQuit : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; `quit` runs on the event loop's thread, once.
    explicit CSignalQuit(std::function<void()> quit, QObject* parent = nullptr);
    // Puts the default handlers back.
    ~CSignalQuit() override;
    CSignalQuit(const CSignalQuit&) = delete;
    CSignalQuit& operator=(const CSignalQuit&) = delete;

    // The signals handled.
    static constexpr int SIGNALS[] = {SIGHUP, SIGINT, SIGTERM};

private:
    void OnSignal();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::function<void()> m_quit;
    bool m_quitting = false;
};

} // namespace kestrelon
