// The terminal's serial driver on pseudo-terminals opened through COM aliases:
// open, refuse, reopen, deliver, write, lose the device, change the rate, stop with output held.
#include "serial/KesFileDriver.h"

#include "document/SavedSettings.h"
#include "serial/SerialFrame.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <mutex>
#include <termios.h>
#include <thread>
#include <unistd.h>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

constexpr std::uint32_t kPtyPort = 200;
constexpr std::uint32_t kMissingPort = 201;

// The new-document line (CTS flow, DTR and RTS handshake) unless told otherwise.
DCB Line(std::uint32_t rate, std::uint8_t bits = 8, std::uint8_t stop = 0, std::uint32_t flags = 0x0008A025)
{
    DCB dcb = DefaultDcb();
    dcb.BaudRate = rate, dcb.ByteSize = bits, dcb.StopBits = stop, dcb.flags = flags;
    return dcb;
}

const DCB kNoFlowControl = Line(115200, 8, 0, DcbFlag::fBinary);

std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

class PtyDriver : public testing::Test {
protected:
    PtyDriver()
    {
        // An empty device tree: a COM number without an alias can never reach a real port.
        std::filesystem::create_directories(m_tree.Path() / "sys" / "class" / "tty");
        m_settings.Write(kPortAliasGroup, "COM" + std::to_string(kPtyPort), m_pty.SlavePath());
        m_settings.Write(kPortAliasGroup, "COM" + std::to_string(kMissingPort), m_tree.File("no-such-device"));
        m_driver.SetPortTree({(m_tree.Path() / "sys").string(), (m_tree.Path() / "dev").string()});
    }
    // A driver blocked delivering to the frame is released before it is joined.
    ~PtyDriver() override { m_frame.Target().Close(); }

    bool OpenPty(const DCB& dcb = Line(115200))
    {
        m_driver.Open(kPtyPort, dcb);
        // Opened means code 15 and the reader's first pass (the three hold states).
        return m_frame.WaitFor([&] {
            return (m_frame.Has(TC_PORT_OPENED, 0) && m_frame.Has(TC_CD_HOLD, 0)) || m_frame.Has(TC_PORT_FAILED, 0);
        }) && m_frame.Has(TC_PORT_OPENED, 0);
    }

    TempDir m_tree;
    CMemorySettingsStore m_settings;
    PtyPair m_pty;
    SerialFrame m_frame;
    CKesFileDriver m_driver{m_frame.Target(), m_settings};
};

// 200 kB to a device that never reads: the pty buffer fills, the rest waits.
void QueueHeldOutput(CKesFileDriver& driver, SerialFrame& frame)
{
    const std::string piece(4000, 'o');
    for (int i = 0; i < 50; ++i)
        driver.Write(piece.data(), static_cast<std::int32_t>(piece.size()));
    frame.Settle(100);
}

// Offers `bytes` to the device side without blocking, for `ms` or until `done`
// holds; returns how many the line took.
std::size_t Offer(int master, const std::string& bytes, int ms, const std::function<bool()>& done)
{
    const int flags = fcntl(master, F_GETFL);
    fcntl(master, F_SETFL, flags | O_NONBLOCK);
    std::size_t sent = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (sent < bytes.size() && std::chrono::steady_clock::now() < end && !done()) {
        const ssize_t n = write(master, bytes.data() + sent, bytes.size() - sent);
        if (n > 0)
            sent += static_cast<std::size_t>(n);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    fcntl(master, F_SETFL, flags);
    return sent;
}

} // namespace

// An open port has a reader and a writer.
TEST_F(PtyDriver, OpensCloseAndReopensWithOneReader)
{
    const int withDriver = ThreadCount();
    ASSERT_TRUE(OpenPty());
    EXPECT_TRUE(m_driver.IsOpen());
    EXPECT_TRUE(m_driver.IsReading());
    EXPECT_EQ(m_driver.GetPort(), kPtyPort);
    DCB live;
    ASSERT_TRUE(m_driver.GetState(live));
    EXPECT_EQ(live.BaudRate, 115200u);
    EXPECT_EQ(ThreadCount(), withDriver + 2);

    m_driver.Close();
    ASSERT_TRUE(m_frame.WaitFor([&] { return !m_driver.IsOpen(); }));
    EXPECT_EQ(ThreadCount(), withDriver);

    m_frame.Clear();
    ASSERT_TRUE(OpenPty());
    m_frame.Clear();
    ASSERT_TRUE(OpenPty(Line(9600))) << "reopening while connected";
    EXPECT_EQ(ThreadCount(), withDriver + 2);
    ASSERT_TRUE(m_pty.WriteMaster("once"));
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Received().size() >= 4; }));
    m_frame.Settle(50);
    EXPECT_EQ(m_frame.Received(), "once");
}

TEST_F(PtyDriver, FailedOpensReportWhyAndLeaveThePortClosed)
{
    struct Case {
        const char* name;
        std::uint32_t port;
        DCB dcb;
        std::intptr_t reason;
    };
    const Case cases[] = {
        {"missing device", kMissingPort, Line(9600), PF_NOT_OPENED},
        {"number without alias or device", 5, Line(9600), PF_NOT_OPENED},
        {"four data bits", kPtyPort, Line(9600, 4), PF_SETTINGS_REFUSED},
        {"one and a half stop bits with 8 bits", kPtyPort, Line(9600, 8, 1), PF_SETTINGS_REFUSED},
    };
    for (const Case& c : cases) {
        m_frame.Clear();
        m_driver.Open(c.port, c.dcb);
        ASSERT_TRUE(m_frame.WaitFor([&] { return !m_frame.Status().empty(); })) << c.name;
        m_frame.Settle(30);
        EXPECT_EQ(m_frame.Status(), (std::vector<Notice>{{TC_PORT_FAILED, c.reason, {}}})) << c.name;
        EXPECT_FALSE(m_driver.IsOpen()) << c.name;
    }
    CSerialPort direct;
    EXPECT_EQ(direct.Open(m_pty.SlavePath()), 0) << "a refused open must not keep the device";
}

TEST_F(PtyDriver, DeliversEveryByteOnceInOrderInBoundedBlocks)
{
    ASSERT_TRUE(OpenPty());
    const std::string sent = Pattern(10000);
    ASSERT_TRUE(m_pty.WriteMaster(sent));
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Received().size() >= sent.size(); }));
    m_frame.Settle(50);
    EXPECT_EQ(m_frame.Received(), sent);
    for (std::size_t size : m_frame.BlockSizes()) {
        EXPECT_GE(size, 1u);
        EXPECT_LE(size, 3800u);
    }
}

TEST_F(PtyDriver, WritesGoOutInOrderAndEmptyOnesNotAtAll)
{
    ASSERT_TRUE(OpenPty());
    m_driver.Write("one", 3);
    m_driver.Write(nullptr, 5);
    m_driver.Write("x", 0);
    m_driver.WriteString("");
    m_driver.WriteString(nullptr);
    m_driver.WriteBlock(CByteBlock());
    m_driver.WriteString("two");
    m_driver.WriteBlock(CByteBlock("three", 5));
    m_driver.Write("four", 4);
    EXPECT_EQ(m_pty.ReadMaster(2000, 15), "onetwothreefour");
    EXPECT_EQ(m_pty.ReadMaster(50), "");
}

TEST_F(PtyDriver, LostDeviceIsReportedAndTheReaderEnds)
{
    const int withDriver = ThreadCount();
    ASSERT_TRUE(OpenPty());
    m_frame.Clear();
    m_pty.CloseMaster();
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Has(TC_PORT_FAILED, PF_DEVICE_LOST); }));
    ASSERT_TRUE(m_frame.WaitFor([&] { return !m_driver.IsOpen(); }));
    EXPECT_EQ(ThreadCount(), withDriver) << "the reader must have ended, not spin on the dead device";
    m_frame.Settle(50);
    EXPECT_EQ(m_frame.Status(), (std::vector<Notice>{{TC_PORT_FAILED, PF_DEVICE_LOST, {}}}));
}

TEST_F(PtyDriver, CloseAndRateChangeDoNothingWithoutAPortAndRateChangesTheLiveLine)
{
    m_driver.Close();
    EXPECT_FALSE(m_driver.SetBaudRate(115200)) << "closed port";
    m_frame.Settle(50);
    EXPECT_EQ(m_frame.Status(), std::vector<Notice>{});
    EXPECT_FALSE(m_driver.IsOpen());

    ASSERT_TRUE(OpenPty(Line(9600)));
    m_frame.Clear();
    EXPECT_TRUE(m_driver.SetBaudRate(115200));
    ASSERT_TRUE(m_frame.WaitFor([&] { return !m_frame.Status().empty(); }));
    EXPECT_EQ(m_frame.Status(), (std::vector<Notice>{{TC_PORT_OPENED, 115200, {}}}));
    DCB live;
    ASSERT_TRUE(m_driver.GetState(live));
    EXPECT_EQ(live.BaudRate, 115200u);
}

// While the frame takes nothing, the reader stops at its bound of queued blocks
// and the line backs up to the sender; once the frame catches up every byte
// arrives, once, in order.
TEST_F(PtyDriver, AFrameThatFallsBehindHoldsTheLineAndLosesNothing)
{
    ASSERT_TRUE(OpenPty());
    const std::string flood = Pattern(8u << 20);
    CPumpedTarget& target = m_frame.Target();
    std::size_t sent = Offer(m_pty.Master(), flood, 10000, [&] { return target.Pending() >= kReaderBlocksInFlight; });
    sent += Offer(m_pty.Master(), flood.substr(sent), 300, [] { return false; });
    EXPECT_LT(sent, flood.size()) << "the sender was never held";
    EXPECT_EQ(target.Pending(), kReaderBlocksInFlight);
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Received().size() >= sent; }, 10000));
    m_frame.Settle(50);
    EXPECT_EQ(m_frame.Received(), flood.substr(0, sent));
}

// A reader waiting for room is woken by a close, a quit or a transfer taking
// the port, without the frame taking anything.
TEST_F(PtyDriver, AReaderWaitingForRoomLeavesAtOnce)
{
    const std::function<void(CKesFileDriver&)> stops[] = {
        [](CKesFileDriver& d) { d.Close(); },
        [](CKesFileDriver& d) { d.EnableReading(false); },
        [](CKesFileDriver& d) { d.Quit(); },
    };
    for (const auto& stop : stops) {
        CPumpedTarget target;
        CKesFileDriver driver(target, m_settings);
        driver.Open(kPtyPort, Line(115200));
        Offer(m_pty.Master(), Pattern(8u << 20), 10000, [&] { return target.Pending() >= kReaderBlocksInFlight; });
        ASSERT_GE(target.Pending(), kReaderBlocksInFlight) << "the reader is not waiting";
        const auto start = std::chrono::steady_clock::now();
        stop(driver);
        driver.Quit();
        driver.WaitForExit();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        target.Close();
        tcflush(m_pty.Master(), TCIOFLUSH);
    }
}

TEST_F(PtyDriver, DeviceOutputArrivesWhileOursIsHeldAndCloseDiscardsOurs)
{
    std::mutex mutex;
    std::string notes; // written on the driver thread
    m_driver.SetDebugOutput([&](const std::string& text) {
        std::lock_guard lock(mutex);
        notes += text;
    });
    ASSERT_TRUE(OpenPty(kNoFlowControl));
    QueueHeldOutput(m_driver, m_frame);
    ASSERT_TRUE(m_pty.WriteMaster("from the device"));
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Received() == "from the device"; }));
    m_driver.Close();
    // The note follows the close on the driver thread.
    EXPECT_TRUE(m_frame.WaitFor(
        [&] {
            std::lock_guard lock(mutex);
            return !m_driver.IsOpen() && notes.find("queued bytes were not sent") != std::string::npos;
        },
        2000));
    // Written after the close: kept nowhere, never sent by a later open.
    m_driver.Write("late", 4);
    m_frame.Clear();
    ASSERT_TRUE(OpenPty(kNoFlowControl));
    EXPECT_EQ(m_pty.ReadMaster(100).find("late"), std::string::npos);
}

TEST_F(PtyDriver, QuitEndsTheThreadWithOutputHeld)
{
    ASSERT_TRUE(OpenPty(kNoFlowControl));
    QueueHeldOutput(m_driver, m_frame);
    m_driver.Quit();
    m_driver.WaitForExit(); // a hang here is the fault
    EXPECT_FALSE(m_driver.IsOpen());
}
