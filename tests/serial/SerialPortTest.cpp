// The termios port on pseudo-terminals: exclusive open, rates read back as
// set (including those that need termios2), bytes both ways, and a device that
// goes away being recognised as gone.
#include "serial/SerialPort.h"

#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace kestrelon;
using kestrelon::test::PtyPair;
using kestrelon::test::TempDir;

namespace {

DCB Line(std::uint32_t rate, std::uint8_t bits = 8, std::uint8_t parity = 0)
{
    DCB dcb;
    dcb.BaudRate = rate;
    dcb.ByteSize = bits;
    dcb.Parity = parity;
    dcb.flags = DcbFlag::fBinary | (DTR_CONTROL_ENABLE << DcbFlag::fDtrControlShift);
    return dcb;
}

} // namespace

TEST(SerialPortOpen, RefusesWhatIsNotAFreeTerminal)
{
    PtyPair pty;
    TempDir dir;
    kestrelon::test::WriteFileBytes(dir.File("plain"), "keep me");
    CSerialPort first;
    ASSERT_EQ(first.Open(pty.SlavePath()), 0);

    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {
        {"", ENOENT},
        {dir.File("missing"), ENOENT},
        {dir.File("plain"), ENOTTY},
        {pty.SlavePath(), EBUSY}, // already open: a second open must not share the line
    };
    for (const Case& c : cases) {
        CSerialPort port;
        EXPECT_EQ(port.Open(c.path), c.error) << c.path;
        EXPECT_FALSE(port.IsOpen()) << c.path;
    }
    EXPECT_EQ(kestrelon::test::ReadFileBytes(dir.File("plain")), "keep me");

    first.Close();
    CSerialPort again;
    EXPECT_EQ(again.Open(pty.SlavePath()), 0) << "closing must release the lock";
}

class PtyRate : public testing::TestWithParam<std::uint32_t> {};

TEST_P(PtyRate, ReadsBackAsSet)
{
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.SlavePath()), 0);
    ASSERT_TRUE(port.SetState(Line(GetParam())));
    DCB live;
    ASSERT_TRUE(port.GetState(live));
    EXPECT_EQ(live.BaudRate, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Rates, PtyRate, testing::Values(300u, 9600u, 14400u, 115200u, 250000u, 921600u));

TEST(SerialPortState, PtyKeepsEightBitsNoParity)
{
    // A pseudo-terminal forces its character format; what is read back is the
    // line as it really runs, and the rate still counts as taken.
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.SlavePath()), 0);
    ASSERT_TRUE(port.SetState(Line(19200, 7, 2)));
    DCB live;
    ASSERT_TRUE(port.GetState(live));
    EXPECT_EQ(live.BaudRate, 19200u);
    EXPECT_EQ(live.ByteSize, 8);
    EXPECT_EQ(live.Parity, 0);
}

TEST(SerialPortState, RefusedRecordLeavesTheLineAsItWas)
{
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.SlavePath()), 0);
    ASSERT_TRUE(port.SetState(Line(57600)));
    EXPECT_FALSE(port.SetState(Line(57600, 4)));
    EXPECT_FALSE(port.SetState(Line(0)));
    DCB live;
    ASSERT_TRUE(port.GetState(live));
    EXPECT_EQ(live.BaudRate, 57600u);
}

TEST(SerialPortIo, BytesPassBothWaysAndQueueIsCounted)
{
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.SlavePath()), 0);
    ASSERT_TRUE(port.SetState(Line(115200)));
    int error = 0;
    ASSERT_TRUE(port.Write("to device", 9, error));
    EXPECT_EQ(pty.ReadMaster(1000, 9), "to device");

    ASSERT_TRUE(pty.WriteMaster("from device"));
    ASSERT_EQ(port.WaitReadable(1000), PortWait::Readable);
    std::uint32_t errors = 99;
    CCommStatus status;
    for (int i = 0; i < 100 && status.inQueue < 11; ++i)
        ASSERT_TRUE(port.ClearError(errors, status));
    EXPECT_EQ(status.inQueue, 11u);
    EXPECT_EQ(errors, 0u);
    EXPECT_FALSE(status.ctsHold); // a pty has no CTS line
    char buffer[64];
    const long n = port.Read(buffer, sizeof buffer, error);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(std::max(n, 0L))), "from device");

    EXPECT_EQ(port.Read(buffer, sizeof buffer, error), -1);
    EXPECT_EQ(error, EAGAIN);
}

TEST(SerialPortIo, PurgeDiscardsWhatWaits)
{
    PtyPair pty;
    CSerialPort port;
    ASSERT_EQ(port.Open(pty.SlavePath()), 0);
    ASSERT_TRUE(port.SetState(Line(9600)));
    ASSERT_TRUE(pty.WriteMaster("stale"));
    ASSERT_EQ(port.WaitReadable(1000), PortWait::Readable);
    ASSERT_TRUE(port.Purge(PURGE_RXCLEAR));
    char buffer[16];
    int error = 0;
    EXPECT_EQ(port.Read(buffer, sizeof buffer, error), -1);
    EXPECT_EQ(error, EAGAIN);
}

TEST(SerialPortIo, WriteOnAClosedPortFails)
{
    CSerialPort port;
    int error = 0;
    EXPECT_FALSE(port.Write("x", 1, error));
    EXPECT_EQ(error, EBADF);
    DCB dcb;
    EXPECT_FALSE(port.GetState(dcb));
    EXPECT_FALSE(port.SetState(Line(9600)));
    EXPECT_FALSE(port.Purge(PURGE_RXCLEAR));
}
