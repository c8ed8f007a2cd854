// CSignalQuit: the self-pipe between the signal handlers and the event loop.
#include "ui/frame/SignalQuit.h"

#include <QSocketNotifier>

#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kestrelon {

namespace {

// The one thing a signal handler may reach: the write end of the pipe of the
// installed CSignalQuit (-1 when none). A handler cannot be given a context,
// so this is the single process-wide slot, owned by that object.
std::atomic<int> g_signalWriteFd{-1};

extern "C" void WriteSignalByte(int signalNumber)
{
    const int savedErrno = errno;
    const int fd = g_signalWriteFd.load();
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
        // A full pipe already holds a quit request.
    }
    errno = savedErrno;
}

} // namespace

CSignalQuit::CSignalQuit(std::function<void()> quit, QObject* parent) : QObject(parent), m_quit(std::move(quit))
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnSignal(); });
    g_signalWriteFd = m_pipe[1];
    struct sigaction action {};
    action.sa_handler = WriteSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : SIGNALS)
        sigaction(number, &action, nullptr);
}

CSignalQuit::~CSignalQuit()
{
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : SIGNALS)
        sigaction(number, &action, nullptr);
    g_signalWriteFd = -1;
    m_notifier.reset();
    for (int& fd : m_pipe)
        if (fd >= 0)
            ::close(fd);
}

void CSignalQuit::OnSignal()
{
    unsigned char bytes[16];
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (m_quitting)
        return;
    m_quitting = true;
    if (m_quit)
        m_quit();
}

} // namespace kestrelon
