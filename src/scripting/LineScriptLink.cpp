// CLineScriptLink: the reader polls the line beside an eventfd that ends it;
// a transfer ends the reader, runs the engine on the script's thread and
// starts the reader again, so the engine alone reads the line meanwhile.
#include "scripting/LineScriptLink.h"

#include "scripting/ScriptRunner.h"
#include "serial/SerialPort.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferOutcome.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrelon {
namespace {

std::int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Signal(int fd)
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = write(fd, &one, sizeof one);
}

void Drain(int fd)
{
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = read(fd, &count, sizeof count);
}

} // namespace

CLineScriptLink::CLineScriptLink(int fd, CSerialPort* port, std::FILE* echo)
    : m_fd(fd), m_port(port), m_echo(echo), m_wakeReader(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      m_stopFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_engine(*this)
{
}

CLineScriptLink::~CLineScriptLink()
{
    StopReading();
    close(m_wakeReader);
    close(m_stopFd);
}

void CLineScriptLink::StartReading(CScriptRunner& runner)
{
    std::lock_guard lock(m_readerMutex);
    m_runner = &runner;
    if (!m_transferring)
        StartReaderLocked();
}

void CLineScriptLink::StopReading()
{
    std::lock_guard lock(m_readerMutex);
    StopReaderLocked();
}

void CLineScriptLink::StartReaderLocked()
{
    if (m_runner && !m_reader.joinable())
        m_reader = std::thread([this] { ReadLoop(); });
}

void CLineScriptLink::StopReaderLocked()
{
    if (!m_reader.joinable())
        return;
    Signal(m_wakeReader);
    m_reader.join();
    Drain(m_wakeReader);
}

void CLineScriptLink::ReadLoop()
{
    char buffer[4096];
    for (;;) {
        pollfd polls[2] = {{m_fd, POLLIN, 0}, {m_wakeReader, POLLIN, 0}};
        if (poll(polls, 2, -1) < 0 && errno != EINTR)
            break;
        if (polls[1].revents & POLLIN)
            return;
        if ((polls[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        const ssize_t n = read(m_fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (n <= 0)
            break;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(buffer);
        m_request.Observe(bytes, static_cast<std::size_t>(n), SteadyMs());
        m_runner->Feed(bytes, static_cast<std::size_t>(n));
        if (m_echo) {
            std::fwrite(buffer, 1, static_cast<std::size_t>(n), m_echo);
            std::fflush(m_echo);
        }
    }
    m_runner->LineClosed(); // the device went away or the peer closed
}

bool CLineScriptLink::Send(std::string_view bytes, std::string& error)
{
    while (!bytes.empty()) {
        const ssize_t n = write(m_fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            error = std::strerror(errno);
            return false;
        }
        pollfd polls[2] = {{m_fd, POLLOUT, 0}, {m_stopFd, POLLIN, 0}};
        if (poll(polls, 2, SEND_TIMEOUT_MS) == 0) {
            error = "the line took nothing for 5 seconds";
            return false;
        }
        if (polls[1].revents & POLLIN) {
            error = "stopped";
            return false;
        }
    }
    return true;
}

std::string CLineScriptLink::LineControl(EScriptLine what, int value)
{
    if (!m_port)
        return SCRIPT_NETWORK_HAS_NO_LINES;
    bool done = false;
    switch (what) {
    case EScriptLine::Dtr:
        done = m_port->SetModemLine(MODEM_DTR, value != 0);
        break;
    case EScriptLine::Rts:
        done = m_port->SetModemLine(MODEM_RTS, value != 0);
        break;
    case EScriptLine::Break: {
        done = m_port->SetBreak(true);
        pollfd stop{m_stopFd, POLLIN, 0};
        poll(&stop, 1, value);
        done = m_port->SetBreak(false) && done;
        break;
    }
    case EScriptLine::Baud: {
        DCB dcb;
        done = m_port->GetState(dcb);
        dcb.BaudRate = static_cast<std::uint32_t>(value);
        done = done && m_port->SetState(dcb);
        if (!done)
            return "the port does not take " + std::to_string(value) + " baud";
        break;
    }
    }
    return done ? std::string() : std::string(SCRIPT_PORT_HAS_NO_LINES);
}

std::string CLineScriptLink::Transfer(bool send, int protocol, const std::string& path)
{
    {
        std::lock_guard lock(m_readerMutex);
        m_transferring = true;
        StopReaderLocked();
    }
    {
        std::lock_guard lock(m_mutex);
        m_fileError = -1;
    }
    // The receiver may have asked already, while the script still read the line.
    const std::uint8_t request = m_request.Take(SteadyMs());
    int result = RESULT_ENDED;
    if (send)
        result =
            protocol == PROTOCOL_NONE ? m_engine.SendRaw(m_fd, path) : m_engine.SendFile(protocol, m_fd, path, request);
    else if (protocol == PROTOCOL_YMODEM)
        result = m_engine.ReceiveYModem(protocol, m_fd, path);
    else
        result = m_engine.ReceiveXModem(protocol, m_fd, path);
    {
        std::lock_guard lock(m_readerMutex);
        m_transferring = false;
        StartReaderLocked();
    }
    if (result == RESULT_SUCCESS)
        return {};
    std::lock_guard lock(m_mutex);
    return TransferFailureText(result, m_fileError);
}

void CLineScriptLink::StopTransfer()
{
    Signal(m_stopFd);
    m_engine.Cancel(true);
}

void CLineScriptLink::OnTransferNotify(int code, std::uint64_t value)
{
    if (code == TRANSFER_FILE_ERROR) {
        std::lock_guard lock(m_mutex);
        m_fileError = static_cast<int>(value);
    }
}

void CLineScriptLink::Log(std::string_view text)
{
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}

} // namespace kestrelon
