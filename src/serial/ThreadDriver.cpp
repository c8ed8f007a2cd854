// CThreadDriver: the driver thread's queue and loop, opening and closing the
// device, queued writes with their limit, and delivery to the frame.
#include "serial/ThreadDriver.h"

#include "document/Messages.h"

#include <chrono>
#include <cstring>
#include <iostream>

namespace kestrelon {

namespace {

// The longest EnableReading(false) waits for the reader to let go; the reader
// looks at its run flag at least every poll interval, so this is a safety net.
constexpr auto kReaderLeaveLimit = std::chrono::seconds(2);

} // namespace

CThreadDriver::CThreadDriver(IMessageTarget& frame, SerialPortFactory factory)
    : m_frame(frame), m_factory(std::move(factory)),
      m_debug([](const std::string& text) { std::cerr << "kestrelon: " << text << '\n'; })
{
    if (!m_factory)
        m_factory = [] { return std::make_unique<CSerialPort>(); };
    // Not tied to an open: whoever waits for room looks again at what is open.
    m_writer.SetRoomHook([this] { PostToFrame(MakeMessage(WM_TERMINAL, TC_SEND_ROOM, 0), 0); });
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
        if (m_idleWanted) {
            if (!m_queueChanged.wait_for(lock, std::chrono::milliseconds(IDLE_MS), [&] { return !m_queue.empty(); })) {
                message = CMessage{}; // an idle tick
                return true;
            }
        } else {
            m_queueChanged.wait(lock, [&] { return !m_queue.empty(); });
        }
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
        if (message.message == 0)
            OnIdle();
        else
            OnThreadMessage(message);
        message = CMessage{};
    }
    ExitInstance();
}

void CThreadDriver::OnThreadMessage(CMessage& message)
{
    switch (message.message) {
    case WM_DRIVER_OPEN:
        HandleOpen(static_cast<std::uint64_t>(message.lParam));
        break;
    case WM_DRIVER_CLOSE:
        ClosePort();
        if (message.lParam > 0)
            Note("port closed; " + std::to_string(message.lParam) + " queued bytes were not sent");
        break;
    case WM_DRIVER_READER:
        if (m_hPort)
            StartReader();
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

void CThreadDriver::HandleOpen(std::uint64_t generation)
{
    ClosePort();
    // A close or another open asked for since: this one is no longer wanted.
    if (generation != m_generation.load())
        return;
    m_openGeneration = generation;
    std::string name;
    {
        std::lock_guard lock(m_lock);
        name = m_deviceName;
    }
    auto port = m_factory();
    const int error = port->Open(name);
    if (error != 0) {
        DiscardOutput();
        OnPortOpenFailed(error);
        return;
    }
    {
        std::lock_guard lock(m_lock);
        m_hPort = std::move(port);
        ++m_openSerial;
        m_isOpen = true;
    }
    m_readerRequested = false;
    if (!OnPortOpened(*m_hPort)) {
        DiscardOutput();
        ClosePort();
        return;
    }
    m_writer.Start(*m_hPort);
    if (m_readerRequested)
        StartReader();
    m_isSetUp = true;
}

std::size_t CThreadDriver::DiscardOutput()
{
    RefuseWrites();
    return m_writer.Discard();
}

void CThreadDriver::ClosePort()
{
    StopReader();
    m_writer.Stop();
    std::lock_guard lock(m_lock);
    m_isOpen = false;
    m_isSetUp = false;
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
    {
        // Together with HaltReader's: a halt never misses the credit it must stop.
        std::lock_guard lock(m_readerMutex);
        m_readerCredit = std::make_shared<CReceiveCredit>(kReaderBlocksInFlight);
        m_readerRun = true;
        m_readerActive = true;
    }
    const std::uint64_t serial = m_openSerial;
    m_reader = std::thread([this, serial] {
        ReaderMain(serial);
        ReaderLeft();
    });
}

void CThreadDriver::ReaderLeft()
{
    {
        std::lock_guard lock(m_readerMutex);
        m_readerActive = false;
    }
    m_readerChanged.notify_all();
}

void CThreadDriver::HaltReader()
{
    std::lock_guard lock(m_readerMutex);
    m_readerRun = false;
    if (m_readerCredit)
        m_readerCredit->Stop();
}

std::shared_ptr<CReceiveCredit> CThreadDriver::ReaderCredit()
{
    std::lock_guard lock(m_readerMutex);
    return m_readerCredit;
}

void CThreadDriver::StopReader()
{
    HaltReader();
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
    if (auto block = message.TakePayload<CByteBlock>(); block && block->length() > 0)
        QueueWrite(block->data(), static_cast<std::size_t>(block->length()));
}

void CThreadDriver::OpenDevice(const std::string& name)
{
    {
        std::lock_guard lock(m_lock);
        m_deviceName = name;
    }
    const std::size_t discarded = m_writer.Discard();
    const std::uint64_t generation = ++m_generation;
    m_acceptWrites = true;
    if (discarded > 0)
        Note("reopening; " + std::to_string(discarded) + " queued bytes were not sent");
    PostThreadMessage(MakeMessage(WM_DRIVER_OPEN, 0, static_cast<std::intptr_t>(generation)));
}

void CThreadDriver::Close()
{
    m_acceptWrites = false;
    ++m_generation;
    const std::size_t discarded = m_writer.Discard();
    PostThreadMessage(MakeMessage(WM_DRIVER_CLOSE, 0, static_cast<std::intptr_t>(discarded)));
}

void CThreadDriver::Quit()
{
    if (m_quitting.exchange(true))
        return;
    m_acceptWrites = false;
    ++m_generation;
    m_writer.Discard();
    HaltReader();
    PostThreadMessage(MakeMessage(WM_DRIVER_QUIT, DRIVER_QUIT_EXIT_CODE, 0));
}

void CThreadDriver::QueueWrite(const void* data, std::size_t length, bool paced)
{
    if (!m_acceptWrites)
        return;
    if (m_writer.Queue(data, length, paced) == CSerialWriter::QueueResult::FirstDropped)
        PostToFrame(MakeMessage(WM_TERMINAL, TC_LINE_ERRORS, CE_TXFULL), m_generation.load());
}

void CThreadDriver::Write(const void* data, std::int32_t length)
{
    if (data == nullptr || length < 1)
        return;
    QueueWrite(data, static_cast<std::size_t>(length));
}

void CThreadDriver::WritePaced(const void* data, std::size_t length)
{
    if (data != nullptr && length > 0)
        QueueWrite(data, length, true);
}

void CThreadDriver::QueueLineAction(LineAction action, int waitMs)
{
    if (m_acceptWrites)
        m_writer.QueueAction(action, waitMs);
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
    QueueWrite(block.data(), static_cast<std::size_t>(block.length()));
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
    if (flag) {
        PostThreadMessage(MakeMessage(WM_DRIVER_READER, 0, 0));
        return;
    }
    HaltReader();
    // The reader is never waiting for the caller, so it leaves within a pass.
    std::unique_lock lock(m_readerMutex);
    m_readerChanged.wait_for(lock, kReaderLeaveLimit, [this] { return !m_readerActive; });
}

void CThreadDriver::SetDebugOutput(std::function<void(const std::string&)> output)
{
    m_debug = std::move(output);
}

void CThreadDriver::Note(const std::string& text)
{
    if (m_debug)
        m_debug(text);
}

std::intptr_t CThreadDriver::SendToFrame(CMessage message, std::uint64_t generation)
{
    if (m_quitting)
        return 0;
    message.generation = generation != 0 ? generation : m_openGeneration.load();
    return m_frame.Send(std::move(message));
}

void CThreadDriver::PostToFrame(CMessage message, std::uint64_t generation)
{
    if (m_quitting)
        return;
    message.generation = generation != 0 ? generation : m_openGeneration.load();
    m_frame.Post(std::move(message));
}

void CThreadDriver::PostIfCurrent(CMessage message, std::uint64_t generation)
{
    if (generation == m_generation.load())
        PostToFrame(std::move(message), generation);
}

} // namespace kestrelon
