// CDemoTransfer: XModem 1K through CTransferEngine.
#include "demo/DemoTransfer.h"

#include "transfer/TransferCodes.h"

#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kestrelon {

CDemoTransfer::CDemoTransfer() : m_wake(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_engine(*this)
{
    if (m_wake < 0)
        throw std::runtime_error("eventfd failed");
}

CDemoTransfer::~CDemoTransfer()
{
    m_engine.Cancel(true);
    m_engine.Join();
    close(m_wake);
}

bool CDemoTransfer::Start(bool send, int fd, const std::string& path, int protocol)
{
    m_result = RESULT_ENDED;
    m_bytes = 0;
    m_receivedFile.clear();
    m_running = m_engine.Start(send ? ETransferDirection::Send : ETransferDirection::Receive, protocol, fd, path);
    return m_running;
}

void CDemoTransfer::Finish()
{
    m_engine.Join();
    std::uint64_t count = 0;
    [[maybe_unused]] const ssize_t n = read(m_wake, &count, sizeof count);
    m_running = false;
}

void CDemoTransfer::Cancel()
{
    m_engine.Cancel(true);
    Finish();
}

void CDemoTransfer::OnTransferFile(const std::string& path)
{
    m_receivedFile = path;
}

void CDemoTransfer::OnTransferNotify(int code, std::uint64_t value)
{
    if (code == TRANSFER_BYTES) {
        m_bytes = value;
    } else if (code == TRANSFER_RESULT) {
        m_result = static_cast<int>(value);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = write(m_wake, &one, sizeof one);
    }
}

} // namespace kestrelon
