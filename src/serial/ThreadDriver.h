// Base of the serial driver family: a thread with its own message queue that
// owns the device handle. It opens and closes the device, writes what it is
// given and hands what the reader finds to the main frame. The user-interface
// thread only posts to it, so nothing there ever waits for the device.
#pragma once

#include "document/ByteBlock.h"
#include "document/ReceiveCredit.h"
#include "framework/MessageCarrier.h"
#include "serial/SerialPort.h"
#include "serial/SerialWriter.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kestrelon {

// Queued output past which further writes are dropped (and the drop reported):
// a line slower than what is sent (CTS held, 300 baud, an echoed flood) must not
// grow the queue without bound. A megabyte is an hour of 300 baud.
constexpr std::size_t kMaxQueuedWriteBytes = 1u << 20;

// Received blocks that may wait for the frame before the reader stops reading.
// The window takes all of them at one wake-up, so the bound is also the longest
// the window's own events wait behind received data: 64 blocks (at most about
// 240 KB) are a few milliseconds of work.
constexpr std::size_t kReaderBlocksInFlight = 64;

class CThreadDriver {
public:
    // The driver thread starts at once. `frame` receives the notifications;
    // `factory` makes the port objects (the termios port when empty).
    explicit CThreadDriver(IMessageTarget& frame, SerialPortFactory factory = {});
    virtual ~CThreadDriver();
    CThreadDriver(const CThreadDriver&) = delete;
    CThreadDriver& operator=(const CThreadDriver&) = delete;

    // Stores the device path for the next open and asks the thread to open it.
    // Output still queued for an earlier open is discarded.
    virtual void OpenDevice(const std::string& name);
    // Asks the thread to close the device; returns at once. Queued output is
    // discarded now (the count goes into the close's note), a held write ends at
    // once, and nothing the old open still reports reaches the frame.
    virtual void Close();
    // Asks the thread to end (closing the device); returns at once. From here
    // on nothing more is delivered to the frame.
    virtual void Quit();
    // Queue a copy of the bytes for writing; each returns at once. Empty input
    // queues nothing; without an open (or an open on its way) nothing is kept.
    virtual void WriteString(const char* text);
    virtual void Write(const void* data, std::int32_t length);
    virtual void WriteBlock(const CByteBlock& block);
    virtual bool IsOpen() const;
    // The open has run to its end (settings set, input purged, reader
    // started): only from here may a transfer take the port from the reader.
    bool IsSetUp() const { return m_isSetUp; }
    virtual bool IsReading() const;
    // Bytes that leave one at a time with the pacing pauses (pastes, keys,
    // answers), and line actions in order with the bytes; both return at once.
    void WritePaced(const void* data, std::size_t length);
    void QueueLineAction(LineAction action, int waitMs = 0);
    void SetPacing(int charDelayMs, int lineDelayMs) { m_writer.SetPacing(charDelayMs, lineDelayMs); }
    std::size_t PacedBytes() const { return m_writer.PacedBytes(); }
    // Throws away what waits to be written (a cancelled paste); the count.
    std::size_t CancelOutput() { return m_writer.Discard(); }
    // Bytes the output queue takes now without a drop, and one TC_SEND_ROOM
    // once it has drained to half (at once when it has already).
    std::size_t SendRoom() const { return m_writer.Room(); }
    void WatchSendRoom() { m_writer.WatchRoom(); }
    // The lock that guards the device handle and path (recursive).
    virtual void Lock();
    virtual void Unlock();
    // false: returns once the reader no longer touches the port (a file
    // transfer then reads it itself). true: starts the reader again.
    void EnableReading(bool flag);
    // The connection the notifications belong to: changes with every open and
    // close asked for. Notifications carry it in CMessage::generation.
    std::uint64_t Generation() const { return m_generation.load(); }
    // Where notes of the driver go (a close that discarded output); default:
    // standard error.
    void SetDebugOutput(std::function<void(const std::string&)> output);

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
    // While wanted, the driver thread calls OnIdle every IDLE_MS when no
    // message comes (a removed device is being watched for). A flag, not a
    // virtual call: the thread runs while the derived parts are still built.
    void SetIdleWanted(bool wanted) { m_idleWanted = wanted; }
    virtual void OnIdle() {}
    static constexpr int IDLE_MS = 250;
    // The reader's body; the base has none. `openSerial` names the open it
    // belongs to.
    virtual void ReaderMain(std::uint64_t openSerial);

    // Driver thread only: start a reader for the open device, stop and join it,
    // close the device (stopping the reader and the writer first).
    void StartReader();
    // From OnPortOpened: the reader starts once the open is complete (the
    // writer running too), since it reports to the frame directly.
    void RequestReader() { m_readerRequested = true; }
    void StopReader();
    // Any thread: tells the reader to leave and wakes it from a wait for room.
    void HaltReader();
    // The credit of the reader running now (null when none was started).
    std::shared_ptr<CReceiveCredit> ReaderCredit();
    void ClosePort();
    // Output waiting for the port is thrown away (a lost device); returns the count.
    std::size_t DiscardOutput();
    // Queue bytes for the port: the overflow is reported once per episode.
    void QueueWrite(const void* data, std::size_t length, bool paced = false);
    // Refuses further writes until the next open is asked for, or accepts them
    // again (a device reopened by the driver itself).
    void RefuseWrites() { m_acceptWrites = false; }
    void AcceptWrites() { m_acceptWrites = true; }
    // Opens m_deviceName for the open `generation` (skipped when that is no
    // longer the current one). Driver thread only.
    void HandleOpen(std::uint64_t generation);
    void Note(const std::string& text);
    // Quit and wait for the thread; the most derived destructor calls it so the
    // thread never runs into a half-destroyed object.
    void Shutdown();

    // To the frame, stamped with the generation of the open being served (or
    // with `generation` when not 0). Nothing is delivered once Quit was called.
    std::intptr_t SendToFrame(CMessage message, std::uint64_t generation = 0);
    void PostToFrame(CMessage message, std::uint64_t generation = 0);
    // From the reader (or a transfer's line check): posted straight to the
    // frame, in the order found, unless the open `generation` was closed or
    // replaced since.
    void PostIfCurrent(CMessage message, std::uint64_t generation);
    // The generation of the open the driver thread serves now.
    std::uint64_t OpenGeneration() const { return m_openGeneration.load(); }
    // A message stamped for the open that is still wanted.
    bool IsCurrent(const CMessage& message) const { return message.generation == m_generation.load(); }

    std::unique_ptr<ISerialPort> m_hPort; // replaced only on the driver thread, under m_lock
    std::atomic<bool> m_readerRun{true};
    std::string m_deviceName;
    mutable std::recursive_mutex m_lock;
    std::uint64_t m_openSerial = 0; // counts opens, so a late report of an old reader is ignored

private:
    void ThreadMain();
    bool NextMessage(CMessage& message);
    void ReaderLeft();

    IMessageTarget& m_frame;
    SerialPortFactory m_factory;
    std::atomic<bool> m_isOpen{false};
    std::atomic<bool> m_isSetUp{false};
    std::atomic<bool> m_quitting{false};
    std::atomic<bool> m_acceptWrites{false};
    std::atomic<bool> m_idleWanted{false};
    std::atomic<std::uint64_t> m_generation{0};     // bumped by the callers of open and close
    std::atomic<std::uint64_t> m_openGeneration{0}; // the open the driver thread serves
    CSerialWriter m_writer{kMaxQueuedWriteBytes};
    std::thread m_reader; // driver thread only
    std::mutex m_readerMutex;
    std::condition_variable m_readerChanged;
    bool m_readerActive = false;                    // guarded by m_readerMutex
    bool m_readerRequested = false;                 // driver thread only
    std::shared_ptr<CReceiveCredit> m_readerCredit; // guarded by m_readerMutex
    std::function<void(const std::string&)> m_debug;

    std::mutex m_queueMutex;
    std::condition_variable m_queueChanged;
    std::deque<CMessage> m_queue;
    std::deque<CMessage> m_batch; // taken from m_queue in one go; driver thread only
    std::thread m_thread;         // last: starts once everything above exists
};

} // namespace kestrelon
