// Connection error reporting: line-error texts inside the data, the COM-port
// failure dialog, and the message boxes of failed transfers.
#include "hub/ConnectionTexts.h"
#include "hub/ErrorTexts.h"
#include "hub/HubFixture.h"

#include <gtest/gtest.h>

namespace kestrelon::test {
namespace {

struct LineErrorCase {
    const char* name;
    std::uint32_t flags;
    const char* text;
};
void PrintTo(const LineErrorCase& c, std::ostream* os) { *os << c.name; }

class LineErrorTextTest : public ::testing::TestWithParam<LineErrorCase> {};

TEST_P(LineErrorTextTest, PicksTheTextByTheExactFlags)
{
    EXPECT_EQ(LineErrorText(GetParam().flags), GetParam().text);
}

const LineErrorCase kLineErrors[] = {
    {"Overflow", 1, "\r\n ***  Receive Queue Overflow Error ***\r\n"},
    {"TxFull", 256, "\r\n ***  TX Queue is full ***\r\n"},
    {"TwoFlags", 24, "\r\n ***  Unknown Error Occured ***\r\n"}, // no text of their own
    {"UnknownFlag", 0x80000000u, "\r\n ***  Unknown Error Occured ***\r\n"},
};

INSTANTIATE_TEST_SUITE_P(Flags, LineErrorTextTest, ::testing::ValuesIn(kLineErrors),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LineErrors, TextTravelsLikeDataInTheErrorColour)
{
    HubFixture f;
    f.doc.crToCrLfOnReceive = true;
    f.Deliver(WM_TERMINAL, TC_LINE_ERRORS, CE_FRAME);
    EXPECT_EQ(f.view.events, "<13><10><10>[ ***  Receive Framing Error ***]<13><10><10>");
    EXPECT_EQ(f.view.colours, std::vector<COLORREF>(f.view.bytes.size(), ERROR_COLOUR));
}

// The bridge peer gets what the device sent, not the texts we make about it.
TEST(LineErrors, TextIsNotForwardedToTheBridge)
{
    HubFixture f;
    std::string bridged;
    f.hub->SetBridgeForward([&](const std::uint8_t* d, std::size_t n) { bridged.append((const char*)d, n); });
    f.ReceiveBlock("ab");
    f.Deliver(WM_TERMINAL, TC_LINE_ERRORS, CE_OVERRUN);
    f.Deliver(WM_IP_MAIN, IP_RECEIVED, 0, std::make_unique<CByteBlock>("cd", 2));
    EXPECT_EQ(bridged, "abcd");
}

// A port that failed turns the keys off and offers the settings: only the
// dialog's settings answer opens them, OK leaves the connection closed.
TEST(PortFailure, DisablesKeysAndOffersTheSettings)
{
    for (const bool settings : {true, false}) {
        HubFixture f;
        f.serial->opens = false;
        f.window.failureDialogAnswer = settings;
        f.OpenSerial();
        f.window.calls.clear();
        f.Deliver(WM_TERMINAL, TC_PORT_FAILED, settings ? PF_NOT_OPENED : PF_SETTINGS_REFUSED);
        std::vector<std::string> calls{"pane 59145 COM not opened", "fkeys off", "failure dialog"};
        if (settings)
            calls.push_back("command 32773");
        EXPECT_EQ(f.window.calls, calls);
        EXPECT_FALSE(f.hub->IsConnectionOpen());
    }
}

struct TransferErrorCase {
    std::intptr_t reason;
    std::string box;
};
void PrintTo(const TransferErrorCase& c, std::ostream* os) { *os << "reason " << c.reason; }

class TransferErrorTest : public ::testing::TestWithParam<TransferErrorCase> {};

TEST_P(TransferErrorTest, FileErrorShowsItsBoxAfterTheTransferDriverSawIt)
{
    HubFixture f;
    std::vector<std::string> order;
    f.hub->SetTransferHandler([&](CMessage& m) {
        order.push_back("driver " + std::to_string(m.wParam));
        return 0;
    });
    f.Deliver(WM_TRANSFER, TRANSFER_FILE_ERROR, GetParam().reason);
    f.Deliver(WM_TRANSFER, 5, 1); // other codes reach only the driver
    EXPECT_EQ(order, (std::vector<std::string>{"driver 11", "driver 5"}));
    EXPECT_EQ(f.window.calls, (std::vector<std::string>{GetParam().box}));
}

const TransferErrorCase kTransferErrors[] = {
    {2, "box 0 The selected file has zero length !"},
    {3, "box 1 Unknown error occured !"},
};

INSTANTIATE_TEST_SUITE_P(Reasons, TransferErrorTest, ::testing::ValuesIn(kTransferErrors),
                         [](const auto& info) { return "Reason" + std::to_string(info.param.reason); });

struct SerialPaneCase {
    std::uint32_t port;
    std::uint32_t baud;
    std::uint8_t bits;
    std::uint8_t parity;
    std::uint8_t stop;
    const char* text;
};
void PrintTo(const SerialPaneCase& c, std::ostream* os) { *os << c.text; }

class SerialPaneTest : public ::testing::TestWithParam<SerialPaneCase> {};

TEST_P(SerialPaneTest, FormatsTheLineSettings)
{
    const SerialPaneCase& c = GetParam();
    DCB dcb;
    dcb.BaudRate = c.baud;
    dcb.ByteSize = c.bits;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stop;
    EXPECT_EQ(SerialPaneText(c.port, dcb), c.text);
}

const SerialPaneCase kSerialPanes[] = {
    {1, 9600, 8, 0, 0, "COM1: 9600, 8N1"},
    {33, 115200, 7, 2, 2, "COM33: 115200, 7E2"},
    {255, 300, 5, 4, 1, "COM255: 300, 5S1.5"},
    {4, 9600, 8, 9, 7, "COM4: 9600, 8??"}, // a damaged record shows, it does not crash
};

INSTANTIATE_TEST_SUITE_P(Settings, SerialPaneTest, ::testing::ValuesIn(kSerialPanes),
                         [](const auto& info) { return "COM" + std::to_string(info.param.port); });

} // namespace
} // namespace kestrelon::test
