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
    return {.BaudRate = rate,
            .flags = DcbFlag::fBinary | (DTR_CONTROL_ENABLE << DcbFlag::fDtrControlShift),
            .ByteSize = bits,
            .Parity = parity};
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

// A port opened on a fresh pseudo-terminal.
class PtyPort : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(port.Open(pty.SlavePath()), 0); }

    PtyPair pty;
    CSerialPort port;
};

struct RateRow {
    std::uint32_t rate;
    std::uint8_t bits, parity;
};
void PrintTo(const RateRow& r, std::ostream* os)
{
    *os << r.rate << " " << int(r.bits) << "/" << int(r.parity);
}

class PtyRate : public PtyPort, public testing::WithParamInterface<RateRow> {};

// A pseudo-terminal forces its character format: what is read back is the line
// as it really runs, eight bits and no parity, and the rate still counts as taken.
TEST_P(PtyRate, ReadsBackAsSet)
{
    const RateRow& r = GetParam();
    ASSERT_TRUE(port.SetState(Line(r.rate, r.bits, r.parity)));
    DCB live;
    ASSERT_TRUE(port.GetState(live));
    EXPECT_EQ(live.BaudRate, r.rate);
    EXPECT_EQ(live.ByteSize, 8);
    EXPECT_EQ(live.Parity, 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, PtyRate,
                         testing::Values(RateRow{300, 8, 0}, RateRow{9600, 8, 0}, RateRow{14400, 8, 0},
                                         RateRow{19200, 7, 2}, RateRow{115200, 8, 0}, RateRow{250000, 8, 0},
                                         RateRow{921600, 8, 0}));

TEST_F(PtyPort, RefusedRecordLeavesTheLineAsItWas)
{
    ASSERT_TRUE(port.SetState(Line(57600)));
    EXPECT_FALSE(port.SetState(Line(57600, 4)));
    EXPECT_FALSE(port.SetState(Line(0)));
    DCB live;
    ASSERT_TRUE(port.GetState(live));
    EXPECT_EQ(live.BaudRate, 57600u);
}

TEST_F(PtyPort, BytesPassBothWaysQueueIsCountedAndPurgeDiscards)
{
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

    // What waits when purged is never read: the next read finds nothing.
    ASSERT_TRUE(pty.WriteMaster("stale"));
    ASSERT_EQ(port.WaitReadable(1000), PortWait::Readable);
    ASSERT_TRUE(port.Purge(PURGE_RXCLEAR));
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
