// CThreadDriver: the driver thread's queue and loop, opening and closing the
// device, queued writes with their limit, and delivery to the frame.
#include "serial/ThreadDriver.h"

#include "document/Messages.h"

#include <cstring>

namespace kestrelon {

CThreadDriver::CThreadDriver(IMessageTarget& frame, SerialPortFactory factory)
    : m_frame(frame), m_factory(std::move(factory))
{
    if (!m_factory)
        m_factory = [] { return std::make_unique<CSerialPort>(); };
    m_thread = std::thread([this] { ThreadMain(); });
}

CThreadDriver::~CThreadDriver()
{
    Shutdown();
}

void CThreadDriver::Shutdown()
{
    Quit();
    WaitForExit();
}

void CThreadDriver::WaitForExit()
{
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void CThreadDriver::PostThreadMessage(CMessage message)
{
    bool wasEmpty = false;
    {
        std::lock_guard lock(m_queueMutex);
        wasEmpty = m_queue.empty();
        m_queue.push_back(std::move(message));
    }
    // The thread only sleeps on an empty queue: while it is busy, a flood of
    // received blocks costs no wake-up calls.
    if (wasEmpty)
        m_queueChanged.notify_one();
}

bool CThreadDriver::NextMessage(CMessage& message)
{
    if (m_batch.empty()) {
        std::unique_lock lock(m_queueMutex);
        m_queueChanged.wait(lock, [&] { return !m_queue.empty(); });
        m_batch.swap(m_queue);
    }
    message = std::move(m_batch.front());
    m_batch.pop_front();
    return message.message != WM_DRIVER_QUIT;
}

void CThreadDriver::ThreadMain()
{
    CMessage message;
    while (NextMessage(message)) {
        std::size_t writeBytes = 0;
        if (message.message == WM_DRIVER_WRITE)
            if (auto* block = dynamic_cast<CByteBlock*>(message.payload.get()))
                writeBytes = static_cast<std::size_t>(block->length());
        OnThreadMessage(message);
        if (writeBytes != 0 && m_queuedWriteBytes.fetch_sub(writeBytes) - writeBytes <= kMaxQueuedWriteBytes / 2)
            m_writeDropReported = false; // the line caught up: a new drop is a new episode
        message = CMessage{};
    }
    ExitInstance();
}

void CThreadDriver::OnThreadMessage(CMessage& message)
{
    switch (message.message) {
    case WM_DRIVER_OPEN:
        HandleOpen();
        break;
    case WM_DRIVER_CLOSE:
        ClosePort();
        break;
    case WM_DRIVER_DATA:
        OnData(message);
        break;
    case WM_DRIVER_WRITE:
        OnWriteBlock(message);
        break;
    default:
        break;
    }
}

void CThreadDriver::HandleOpen()
{
    ClosePort();
    std::string name;
    {
        std::lock_guard lock(m_lock);
        name = m_deviceName;
    }
    auto port = m_factory();
    const int error = port->Open(name);
    if (error != 0) {
        OnPortOpenFailed(error);
        return;
    }
    {
        std::lock_guard lock(m_lock);
        m_hPort = std::move(port);
        ++m_openSerial;
        m_isOpen = true;
    }
    if (!OnPortOpened(*m_hPort))
        ClosePort();
}

void CThreadDriver::ClosePort()
{
    StopReader();
    std::lock_guard lock(m_lock);
    m_isOpen = false;
    if (m_hPort) {
        m_hPort->Close();
        m_hPort.reset();
    }
}

void CThreadDriver::StartReader()
{
    StopReader();
    if (!m_hPort)
        return;
    m_readerRun = true;
    const std::uint64_t serial = m_openSerial;
    m_reader = std::thread([this, serial] { ReaderMain(serial); });
}

void CThreadDriver::StopReader()
{
    m_readerRun = false;
    if (m_reader.joinable())
        m_reader.join();
}

void CThreadDriver::ExitInstance()
{
    ClosePort();
}

bool CThreadDriver::OnPortOpened(ISerialPort&)
{
    return true;
}
void CThreadDriver::OnPortOpenFailed(int)
{
}
void CThreadDriver::OnData(CMessage&)
{
}
void CThreadDriver::ReaderMain(std::uint64_t)
{
}

void CThreadDriver::OnWriteBlock(CMessage& message)
{
    if (message.wParam != 0)
        return;
    auto block = message.TakePayload<CByteBlock>();
    std::lock_guard lock(m_lock);
    if (block && block->length() > 0 && m_hPort) {
        int error = 0;
        m_hPort->Write(block->data(), static_cast<std::size_t>(block->length()), error);
    }
}

void CThreadDriver::OpenDevice(const std::string& name)
{
    {
        std::lock_guard lock(m_lock);
        m_deviceName = name;
    }
    PostThreadMessage(MakeMessage(WM_DRIVER_OPEN, 0, 0));
}

void CThreadDriver::Close()
{
    PostThreadMessage(MakeMessage(WM_DRIVER_CLOSE, 0, 0));
}

void CThreadDriver::Quit()
{
    if (m_quitting.exchange(true))
        return;
    PostThreadMessage(MakeMessage(WM_DRIVER_QUIT, DRIVER_QUIT_EXIT_CODE, 0));
}

void CThreadDriver::QueueWrite(std::unique_ptr<CByteBlock> block)
{
    const auto length = static_cast<std::size_t>(block->length());
    if (m_queuedWriteBytes.fetch_add(length) + length > kMaxQueuedWriteBytes) {
        m_queuedWriteBytes.fetch_sub(length);
        // Reported once per episode, as a full transmit queue.
        if (!m_writeDropReported.exchange(true))
            PostToFrame(MakeMessage(WM_TERMINAL, TC_LINE_ERRORS, CE_TXFULL));
        return;
    }
    PostThreadMessage(MakeMessage(WM_DRIVER_WRITE, 0, 0, std::move(block)));
}

void CThreadDriver::Write(const void* data, std::int32_t length)
{
    if (data == nullptr || length < 1)
        return;
    QueueWrite(std::make_unique<CByteBlock>(data, length));
}

void CThreadDriver::WriteString(const char* text)
{
    if (text == nullptr || *text == '\0')
        return;
    Write(text, static_cast<std::int32_t>(std::strlen(text)));
}

void CThreadDriver::WriteBlock(const CByteBlock& block)
{
    if (block.length() < 1)
        return;
    QueueWrite(std::make_unique<CByteBlock>(block));
}

bool CThreadDriver::IsOpen() const
{
    return m_isOpen;
}
bool CThreadDriver::IsReading() const
{
    return m_readerRun;
}
void CThreadDriver::Lock()
{
    m_lock.lock();
}
void CThreadDriver::Unlock()
{
    m_lock.unlock();
}

void CThreadDriver::EnableReading(bool flag)
{
    std::lock_guard lock(m_lock);
    m_readerRun = flag;
}

std::intptr_t CThreadDriver::SendToFrame(CMessage message)
{
    if (m_quitting)
        return 0;
    return m_frame.Send(std::move(message));
}

void CThreadDriver::PostToFrame(CMessage message)
{
    if (!m_quitting)
        m_frame.Post(std::move(message));
}

} // namespace kestrelon
