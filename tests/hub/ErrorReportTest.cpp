// Connection error reporting: line-error texts inside the data, the COM-port
// failure dialog, and the message boxes of failed transfers.
#include "hub/ConnectionTexts.h"
#include "hub/ErrorTexts.h"
#include "hub/HubFixture.h"

#include <gtest/gtest.h>

namespace kestrelon::test {
namespace {

// Two flags have no text of their own; nor has an unknown flag.
TEST(LineErrors, TextIsPickedByTheExactFlags)
{
    const std::pair<std::uint32_t, const char*> rows[] = {
        {1, "\r\n ***  Receive Queue Overflow Error ***\r\n"},
        {256, "\r\n ***  TX Queue is full ***\r\n"},
        {24, "\r\n ***  Unknown Error Occured ***\r\n"},
        {0x80000000u, "\r\n ***  Unknown Error Occured ***\r\n"},
    };
    for (const auto& [flags, text] : rows)
        EXPECT_EQ(LineErrorText(flags), text) << flags;
}

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

TEST(TransferErrors, FileErrorShowsItsBoxAfterTheTransferDriverSawIt)
{
    const std::pair<std::intptr_t, std::string> rows[] = {{2, "box 0 The selected file has zero length !"},
                                                          {3, "box 1 Unknown error occured !"}};
    for (const auto& [reason, box] : rows) {
        HubFixture f;
        std::vector<std::string> order;
        f.hub->SetTransferHandler([&](CMessage& m) {
            order.push_back("driver " + std::to_string(m.wParam));
            return 0;
        });
        f.Deliver(WM_TRANSFER, TRANSFER_FILE_ERROR, reason);
        f.Deliver(WM_TRANSFER, 5, 1); // other codes reach only the driver
        EXPECT_EQ(order, (std::vector<std::string>{"driver 11", "driver 5"}));
        EXPECT_EQ(f.window.calls, (std::vector<std::string>{box}));
    }
}

TEST(SerialPane, FormatsTheLineSettings)
{
    struct Row {
        std::uint32_t port, baud;
        std::uint8_t bits, parity, stop;
        const char* text;
    };
    const Row rows[] = {
        {1, 9600, 8, 0, 0, "COM1: 9600, 8N1"},
        {33, 115200, 7, 2, 2, "COM33: 115200, 7E2"},
        {255, 300, 5, 4, 1, "COM255: 300, 5S1.5"},
        {4, 9600, 8, 9, 7, "COM4: 9600, 8??"}, // a damaged record shows, it does not crash
    };
    for (const Row& row : rows) {
        DCB dcb;
        dcb.BaudRate = row.baud;
        dcb.ByteSize = row.bits;
        dcb.Parity = row.parity;
        dcb.StopBits = row.stop;
        EXPECT_EQ(SerialPaneText(row.port, dcb), row.text);
    }
}

} // namespace
} // namespace kestrelon::test
