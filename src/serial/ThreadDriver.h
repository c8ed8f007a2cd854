// Base of the serial driver family: a thread with its own message queue that
// owns the device handle. It opens and closes the device, writes what it is
// given and hands what the reader finds to the main frame. The user-interface
// thread only posts to it, so nothing there ever waits for the device.
#pragma once

#include "serial/SerialPort.h"
#include "document/ByteBlock.h"
#include "framework/MessageCarrier.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kestrelon {

// Queued output past which further writes are dropped (and the drop reported):
// a line slower than what is sent (CTS held, 300 baud, an echoed flood) must not
// grow the queue without bound. A megabyte is an hour of 300 baud.
constexpr std::size_t kMaxQueuedWriteBytes = 1u << 20;

class CThreadDriver {
public:
    // The driver thread starts at once. `frame` receives the notifications;
    // `factory` makes the port objects (the termios port when empty).
    explicit CThreadDriver(IMessageTarget& frame, SerialPortFactory factory = {});
    virtual ~CThreadDriver();
    CThreadDriver(const CThreadDriver&) = delete;
    CThreadDriver& operator=(const CThreadDriver&) = delete;

    // Stores the device path for the next open and asks the thread to open it.
    virtual void OpenDevice(const std::string& name);
    // Asks the thread to close the device; returns at once.
    virtual void Close();
    // Asks the thread to end (closing the device); returns at once. From here
    // on nothing more is delivered to the frame.
    virtual void Quit();
    // Queue a copy of the bytes for writing; each returns at once. Empty input
    // queues nothing.
    virtual void WriteString(const char* text);
    virtual void Write(const void* data, std::int32_t length);
    virtual void WriteBlock(const CByteBlock& block);
    virtual bool IsOpen() const;
    virtual bool IsReading() const;
    // The lock that guards the device handle and path (recursive).
    virtual void Lock();
    virtual void Unlock();
    // Lets the reader run, or makes it leave the port alone from its next pass
    // (a file transfer then reads the port itself).
    void EnableReading(bool flag);

    // Waits for the driver thread to end. Call after Quit(), and never while the
    // thread may be blocked delivering to a frame that only the caller pumps:
    // close that target first (it releases the thread).
    void WaitForExit();
    // Posts a thread message; used by the reader and by the family itself.
    void PostThreadMessage(CMessage message);

protected:
    // Configures a freshly opened device; false closes it again.
    virtual bool OnPortOpened(ISerialPort& port);
    // The device could not be opened; `error` is the errno.
    virtual void OnPortOpenFailed(int error);
    // Hook for received data (WM_DRIVER_DATA).
    virtual void OnData(CMessage& message);
    // Every thread message but quit passes here; overrides handle theirs and
    // pass the rest on.
    virtual void OnThreadMessage(CMessage& message);
    // WM_DRIVER_WRITE: writes only when wParam is 0, under the lock.
    virtual void OnWriteBlock(CMessage& message);
    // Runs on the driver thread when its loop ends: closes the device.
    virtual void ExitInstance();
    // The reader's body; the base has none. `openSerial` names the open it
    // belongs to.
    virtual void ReaderMain(std::uint64_t openSerial);

    // Driver thread only: start a reader for the open device, stop and join it,
    // close the device (stopping the reader first).
    void StartReader();
    void StopReader();
    void ClosePort();
    // Quit and wait for the thread; the most derived destructor calls it so the
    // thread never runs into a half-destroyed object.
    void Shutdown();

    // To the frame. Nothing is delivered once Quit was called.
    std::intptr_t SendToFrame(CMessage message);
    void PostToFrame(CMessage message);

    std::unique_ptr<ISerialPort> m_hPort; // replaced only on the driver thread, under m_lock
    std::atomic<bool> m_readerRun{true};
    std::string m_deviceName;
    mutable std::recursive_mutex m_lock;
    std::uint64_t m_openSerial = 0; // counts opens, so a late report of an old reader is ignored

private:
    void ThreadMain();
    bool NextMessage(CMessage& message);
    void HandleOpen();
    void QueueWrite(std::unique_ptr<CByteBlock> block);

    IMessageTarget& m_frame;
    SerialPortFactory m_factory;
    std::atomic<bool> m_isOpen{false};
    std::atomic<bool> m_quitting{false};
    std::atomic<std::size_t> m_queuedWriteBytes{0};
    std::atomic<bool> m_writeDropReported{false};
    std::thread m_reader; // driver thread only

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<CMessage> m_queue;
    std::deque<CMessage> m_batch; // taken from m_queue in one go; driver thread only
    std::thread m_thread;         // last: starts once everything above exists
};

} // namespace kestrelon
