// Line settings to tty settings: every row of a table of records against the
// exact termios flags, modem lines and rate path it must give, and the records
// a UART cannot run.
#include "serial/DcbTermios.h"

#include <gtest/gtest.h>

#include <sys/ioctl.h>

using namespace kestrelon;

namespace {

constexpr std::uint32_t kHandshakeFlags = 0x0008A025; // new-document default: CTS flow, DTR and RTS handshake
constexpr std::uint32_t kNoFlowFlags = DcbFlag::fBinary | (DTR_CONTROL_DISABLE << DcbFlag::fDtrControlShift) |
                                       (RTS_CONTROL_DISABLE << DcbFlag::fRtsControlShift);
constexpr std::uint32_t kLinesUpFlags = DcbFlag::fBinary | (DTR_CONTROL_ENABLE << DcbFlag::fDtrControlShift) |
                                        (RTS_CONTROL_ENABLE << DcbFlag::fRtsControlShift);

struct MappingRow {
    const char* name;
    std::uint32_t rate;
    std::uint8_t bits;
    std::uint8_t parity;
    std::uint8_t stop;
    std::uint32_t flags;
    tcflag_t cflag; // expected, whole
    bool otherRate;
    int raise;
    int drop;
};
void PrintTo(const MappingRow& c, std::ostream* os) { *os << c.name; }

constexpr tcflag_t kBase = CLOCAL | CREAD;
constexpr int kDtrRts = TIOCM_DTR | TIOCM_RTS;

// clang-format off
const MappingRow kMappingRows[] = {
    {"Default9600_8N1_Handshake", 9600, 8, 0, 0, kHandshakeFlags, kBase | B9600 | CS8 | CRTSCTS, false, kDtrRts, 0},
    {"Rate14400_NeedsTermios2", 14400, 8, 0, 0, kNoFlowFlags, kBase | kTermiosOtherRate | CS8, true, 0, kDtrRts},
    {"Rate921600_Standard", 921600, 8, 0, 0, kNoFlowFlags, kBase | B921600 | CS8, false, 0, kDtrRts},
    {"Bits5_OneAndHalfStop", 1200, 5, 0, 1, kLinesUpFlags, kBase | B1200 | CS5 | CSTOPB, false, kDtrRts, 0},
    {"Bits6_Odd", 2400, 6, 1, 0, kLinesUpFlags, kBase | B2400 | CS6 | PARENB | PARODD, false, kDtrRts, 0},
    {"Bits7_Even_TwoStop", 4800, 7, 2, 2, kLinesUpFlags, kBase | B4800 | CS7 | PARENB | CSTOPB, false, kDtrRts, 0},
    {"Bits7_Mark", 19200, 7, 3, 0, kLinesUpFlags, kBase | B19200 | CS7 | PARENB | CMSPAR | PARODD, false, kDtrRts, 0},
    {"Bits8_Space", 38400, 8, 4, 0, kLinesUpFlags, kBase | B38400 | CS8 | PARENB | CMSPAR, false, kDtrRts, 0},
    {"CtsFlowOnly_RtsDisabled", 57600, 8, 0, 0, DcbFlag::fOutxCtsFlow, kBase | B57600 | CS8 | CRTSCTS, false, 0, kDtrRts},
    {"RtsHandshakeWithoutCtsFlag", 115200, 8, 0, 0, RTS_CONTROL_HANDSHAKE << DcbFlag::fRtsControlShift, kBase | B115200 | CS8 | CRTSCTS, false, TIOCM_RTS, TIOCM_DTR},
    {"RtsToggleRaisesRts", 115200, 8, 0, 0, RTS_CONTROL_TOGGLE << DcbFlag::fRtsControlShift, kBase | B115200 | CS8, false, TIOCM_RTS, TIOCM_DTR},
};
// clang-format on

class DcbMapping : public testing::TestWithParam<MappingRow> {};

DCB Record(std::uint32_t rate, std::uint8_t bits, std::uint8_t parity, std::uint8_t stop, std::uint32_t flags)
{
    DCB dcb;
    dcb.BaudRate = rate;
    dcb.ByteSize = bits;
    dcb.Parity = parity;
    dcb.StopBits = stop;
    dcb.flags = flags;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

} // namespace

TEST_P(DcbMapping, GivesTheExactTermiosFlags)
{
    const MappingRow& row = GetParam();
    const CLineSettings line = DcbToTermios(Record(row.rate, row.bits, row.parity, row.stop, row.flags));
    ASSERT_EQ(line.refusal, LineRefusal::None);
    EXPECT_EQ(line.tio.c_cflag, row.cflag) << std::oct << "got 0" << line.tio.c_cflag << " want 0" << row.cflag;
    EXPECT_EQ(line.otherRate, row.otherRate);
    EXPECT_EQ(line.rate, row.rate);
    EXPECT_EQ(line.ctsFlow, (row.cflag & CRTSCTS) != 0);
    EXPECT_EQ(line.modemRaise, row.raise);
    EXPECT_EQ(line.modemDrop, row.drop);
    // Raw: no translation, no echo, no signals, one byte completes a read.
    EXPECT_EQ((std::vector<unsigned>{line.tio.c_iflag, line.tio.c_oflag, line.tio.c_lflag, line.tio.c_cc[VMIN],
                                     line.tio.c_cc[VTIME]}),
              (std::vector<unsigned>{0, 0, 0, 1, 0}));
}

TEST_P(DcbMapping, ReadsBackAsTheSameRecord)
{
    const MappingRow& row = GetParam();
    const DCB asked = Record(row.rate, row.bits, row.parity, row.stop, row.flags);
    DCB back = asked;
    back.BaudRate = 0;
    back.ByteSize = 0;
    back.Parity = 0;
    // With 5 data bits termios cannot tell 1.5 from 2 stop bits: the record keeps its own.
    back.StopBits = asked.ByteSize == 5 ? asked.StopBits : 0;
    // With RTS handshake, CRTSCTS cannot say whether CTS flow was asked too:
    // the record keeps its own bit. Otherwise the bit must come back from the tty.
    const bool rtsHandshake =
        ((asked.flags & DcbFlag::fRtsControlMask) >> DcbFlag::fRtsControlShift) == RTS_CONTROL_HANDSHAKE;
    if (!rtsHandshake)
        back.flags &= ~DcbFlag::fOutxCtsFlow;
    TermiosToDcb(DcbToTermios(asked).tio, row.rate, back);
    EXPECT_EQ(back, asked);
}

INSTANTIATE_TEST_SUITE_P(Rows, DcbMapping, testing::ValuesIn(kMappingRows),
                         [](const testing::TestParamInfo<MappingRow>& info) { return info.param.name; });

struct RefusalRow {
    const char* name;
    std::uint32_t rate;
    std::uint8_t bits;
    std::uint8_t parity;
    std::uint8_t stop;
    LineRefusal refusal;
};
void PrintTo(const RefusalRow& c, std::ostream* os) { *os << c.name; }

const RefusalRow kRefusalRows[] = {
    {"FourDataBits", 9600, 4, 0, 0, LineRefusal::ByteSize},
    {"NineDataBits", 9600, 9, 0, 0, LineRefusal::ByteSize},
    {"OneAndHalfStopWith8Bits", 9600, 8, 0, 1, LineRefusal::StopBits},
    {"StopBitsCode3", 9600, 8, 0, 3, LineRefusal::StopBits},
    {"ParityCode5", 9600, 8, 5, 0, LineRefusal::Parity},
    {"RateZero", 0, 8, 0, 0, LineRefusal::Rate},
};

class DcbRefusal : public testing::TestWithParam<RefusalRow> {};

TEST_P(DcbRefusal, IsRefusedBeforeReachingTheDevice)
{
    const RefusalRow& row = GetParam();
    EXPECT_EQ(DcbToTermios(Record(row.rate, row.bits, row.parity, row.stop, 0)).refusal, row.refusal);
}

INSTANTIATE_TEST_SUITE_P(Rows, DcbRefusal, testing::ValuesIn(kRefusalRows),
                         [](const testing::TestParamInfo<RefusalRow>& info) { return info.param.name; });

TEST(DcbMapping, SoftwareFlowControlUsesTheRecordsCharacters)
{
    DCB dcb = Record(9600, 8, 0, 0, DcbFlag::fOutX | DcbFlag::fInX);
    dcb.XonChar = 0x21;
    dcb.XoffChar = 0x23;
    const CLineSettings line = DcbToTermios(dcb);
    EXPECT_EQ(line.tio.c_iflag, static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(line.tio.c_cc[VSTART], 0x21);
    EXPECT_EQ(line.tio.c_cc[VSTOP], 0x23);
}
