// The Telnet com-port client as a script table: the server's bytes, and the
// data, answers and events they must give, fed whole, at every split point
// and byte by byte.
#include "net/TelnetComPort.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrelon {
namespace {

using Bytes = std::string;
constexpr char IAC = '\xFF';

struct ScriptRow {
    const char* name;
    Bytes server;         // what the server sends after our opening
    Bytes data;           // what reaches the terminal
    Bytes reply;          // what we answer
    std::string events;   // one letter per event: A accepted, R refused, M/L state, S/U suspend/resume
    Bytes eventValues;    // the value byte of every M and L
};
void PrintTo(const ScriptRow& row, std::ostream* os) { *os << row.name; }

Bytes Sub(char command, Bytes value) { return Bytes{IAC, '\xFA', 44, command} + value + Bytes{IAC, '\xF0'}; }

// 115200 baud, 7 data bits, even parity, two stop bits, hardware flow.
const CRemoteLineSettings kSettings{115200, 7, 2, 2, true};
const Bytes kSettingsSent = Sub(1, Bytes("\x00\x01\xC2\x00", 4)) + Sub(2, "\x07") + Sub(3, "\x03") + Sub(4, "\x02") +
                            Sub(5, "\x03") + Sub(10, "\x1E") + Sub(11, Bytes{IAC, IAC}) + Sub(12, "\x03");
const Bytes kDoComPort{IAC, '\xFD', 44};

const ScriptRow kScripts[] = {
    {"PlainData", "abc\r\n", "abc\r\n", "", "", ""},
    {"DoubledIacIsOneDataByte", Bytes{'a', IAC, IAC, 'b', IAC, IAC}, Bytes{'a', IAC, 'b', IAC}, "", "", ""},
    {"AcceptSendsTheSettingsOnce", kDoComPort + "x" + kDoComPort, "x", kSettingsSent, "A", ""},
    {"RefusalIsSaidOnce", Bytes{IAC, '\xFE', 44, 'y', IAC, '\xFE', 44}, "y", "", "R", ""},
    {"ModemStateBetweenData", "a" + Sub(107, "\xB0") + "b", "ab", "", "M", "\xB0"},
    {"StateByteFFComesDoubled", Sub(107, Bytes{IAC, IAC}) + Sub(106, "\x08"), "", "", "ML", "\xFF\x08"},
    {"SuspendAndResume", Sub(108, "") + "z" + Sub(109, ""), "z", "", "SU", ""},
    {"ConfirmationsAreQuiet", Sub(101, Bytes("\x00\x01\xC2\x00", 4)) + Sub(105, "\x03") + "k", "k", "", "", ""},
    {"UnknownOptionsDeclined", Bytes{IAC, '\xFD', 24, IAC, '\xFB', 1}, "", Bytes{IAC, '\xFC', 24, IAC, '\xFE', 1}, "",
     ""},
    {"AgreedOptionsNotAnsweredAgain", Bytes{IAC, '\xFB', 0, IAC, '\xFD', 3, IAC, '\xF1'}, "", "", "", ""},
    {"WithdrawnBinaryAcknowledged", Bytes{IAC, '\xFC', 0, IAC, '\xFC', 0}, "", Bytes{IAC, '\xFE', 0}, "", ""},
    {"OverlongSubnegotiationDropped", Sub(107, Bytes(300, '\x10')) + "ok", "ok", "", "", ""},
    {"CommandEndsAnUnfinishedSubnegotiation", Bytes{IAC, '\xFA', 44, 107, IAC} + kDoComPort.substr(1) + "q", "q",
     kSettingsSent, "A", ""},
    {"ShortAnswersIgnored", Sub(107, "") + Bytes{IAC, '\xFA', IAC, '\xF0'} + "w", "w", "", "", ""},
};

std::string Letters(const CTelnetOutput& out, Bytes& values)
{
    static const char kLetter[] = {'A', 'R', 'M', 'L', 'S', 'U'};
    std::string letters;
    for (const CRemoteEvent& event : out.events) {
        letters += kLetter[static_cast<int>(event.kind)];
        if (event.kind == ERemoteEvent::ModemState || event.kind == ERemoteEvent::LineState)
            values += static_cast<char>(event.value);
    }
    return letters;
}

class TelnetComPortScript : public ::testing::TestWithParam<ScriptRow> {
protected:
    // Feeds the script cut at `cuts` (ascending offsets) and checks everything.
    void Run(const std::vector<std::size_t>& cuts, const std::string& how)
    {
        const ScriptRow& row = GetParam();
        CTelnetComPort port;
        port.Start(kSettings);
        CTelnetOutput out;
        std::size_t from = 0;
        for (std::size_t cut : cuts) {
            port.Feed(reinterpret_cast<const std::uint8_t*>(row.server.data()) + from, cut - from, out);
            from = cut;
        }
        port.Feed(reinterpret_cast<const std::uint8_t*>(row.server.data()) + from, row.server.size() - from, out);
        Bytes values;
        EXPECT_EQ(Bytes(out.data.begin(), out.data.end()), row.data) << how;
        EXPECT_EQ(Bytes(out.reply.begin(), out.reply.end()), row.reply) << how;
        EXPECT_EQ(Letters(out, values), row.events) << how;
        EXPECT_EQ(values, row.eventValues) << how;
    }
};

TEST_P(TelnetComPortScript, SameResultHoweverSplit)
{
    const std::size_t size = GetParam().server.size();
    Run({}, "whole");
    for (std::size_t cut = 1; cut < size; ++cut)
        Run({cut}, "cut at " + std::to_string(cut));
    std::vector<std::size_t> every;
    for (std::size_t i = 1; i < size; ++i)
        every.push_back(i);
    Run(every, "byte by byte");
}

INSTANTIATE_TEST_SUITE_P(Server, TelnetComPortScript, ::testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

// Commands wait for the server's consent; data for it has every IAC doubled.
TEST(TelnetComPort, CommandsOnlyOnceAcceptedAndDataEscaped)
{
    CTelnetComPort port;
    const std::vector<std::uint8_t> opening = port.Start(kSettings);
    EXPECT_EQ(Bytes(opening.begin(), opening.end()),
              (Bytes{IAC, '\xFB', 0, IAC, '\xFD', 0, IAC, '\xFB', 3, IAC, '\xFD', 3, IAC, '\xFB', 44}));
    EXPECT_TRUE(port.Control(ERemoteControl::DtrOff).empty());
    EXPECT_TRUE(port.SetBaudRate(9600).empty());
    CTelnetOutput out;
    port.Feed(reinterpret_cast<const std::uint8_t*>(kDoComPort.data()), kDoComPort.size(), out);
    // The rate changed before the consent goes with the settings.
    EXPECT_EQ(Bytes(out.reply.begin(), out.reply.begin() + 10), Sub(1, Bytes("\x00\x00\x25\x80", 4)));
    const auto dtr = port.Control(ERemoteControl::DtrOff);
    EXPECT_EQ(Bytes(dtr.begin(), dtr.end()), Sub(5, "\x09"));
    const auto rate = port.SetBaudRate(0x0100FF00);
    EXPECT_EQ(Bytes(rate.begin(), rate.end()), Sub(1, Bytes{1, 0, IAC, IAC, 0}));
    std::vector<std::uint8_t> escaped;
    const std::uint8_t data[] = {1, 0xFF, 0xFF, 2};
    CTelnetComPort::Escape(data, sizeof data, escaped);
    EXPECT_EQ(Bytes(escaped.begin(), escaped.end()), (Bytes{1, IAC, IAC, IAC, IAC, 2}));
}

} // namespace
} // namespace kestrelon
