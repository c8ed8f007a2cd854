// The Lines menu and the status bar's lines as the port reports them: what is
// enabled, checked and explained, and what a click queues.
#include "ui/frame/FrameFixture.h"
#include "ui/frame/FrameLines.h"
#include "document/Messages.h"
#include "serial/SerialPort.h"

#include <QAction>
#include <QLabel>

namespace kestrelon::test {
namespace {

struct LinesCase {
    const char* name;
    std::uint32_t commMode;
    bool ctsFlow;
    int lines; // as reported; MODEM_LINES_UNKNOWN: no report (port closed)
    bool dtrEnabled, rtsEnabled, dtrChecked;
    QString dtrTip;
    QString status; // part of the status label's text
    std::string clickDtr; // what a click on DTR queues
};
void PrintTo(const LinesCase& c, std::ostream* os) { *os << c.name; }

class FrameLinesTest : public FrameFixture, public ::testing::WithParamInterface<LinesCase> {};

TEST_P(FrameLinesTest, FollowsThePort)
{
    const LinesCase& c = GetParam();
    doc.dcb.flags = DcbFlag::fBinary | (c.ctsFlow ? DcbFlag::fOutxCtsFlow : 0);
    auto frame = MakeFrame(nullptr);
    doc.commMode = c.commMode;
    frame->Hub()->ApplyConnection();
    if (c.lines != MODEM_LINES_UNKNOWN) {
        frame->Target().Post(MakeMessage(WM_TERMINAL, TC_MODEM_LINES, c.lines));
        frame->Target().Pump();
    }
    CFrameLines& lines = *frame->Lines();
    lines.UpdateStates();
    EXPECT_EQ(lines.DtrAction()->isEnabled(), c.dtrEnabled);
    EXPECT_EQ(lines.RtsAction()->isEnabled(), c.rtsEnabled);
    EXPECT_EQ(lines.BreakAction()->isEnabled(), c.dtrEnabled);
    EXPECT_EQ(lines.DtrAction()->isChecked(), c.dtrChecked);
    EXPECT_EQ(lines.DtrAction()->toolTip(), c.dtrTip);
    EXPECT_TRUE(lines.StatusLabel()->text().contains(c.status)) << lines.StatusLabel()->text().toStdString();
    lines.DtrAction()->trigger();
    EXPECT_EQ(serial->written, c.clickDtr);
}

const int kUart = MODEM_DTR | MODEM_RTS | MODEM_CTS | MODEM_CD;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lines, FrameLinesTest,
    ::testing::Values(
        LinesCase{"PseudoTerminal", 0, false, MODEM_LINES_NONE, false, false, false, "This port has no modem lines (a pseudo-terminal)", "No modem lines", ""},
        LinesCase{"UartDtrRaised", 0, false, kUart, true, true, true, "DTR line: checked while raised", "<b>CTS</b>", "[DTR=0]"},
        LinesCase{"UartDtrDropped", 0, false, MODEM_CTS, true, true, false, "DTR line: checked while raised", "<span style='color:grey'>DSR</span>", "[DTR=1]"},
        LinesCase{"FlowControlOwnsRts", 0, true, kUart, true, false, true, "DTR line: checked while raised", "CTS", "[DTR=0]"},
        LinesCase{"NoReportYet", 0, false, MODEM_LINES_UNKNOWN, false, false, false, "The serial port is not open", "", ""},
        LinesCase{"TcpClient", 1, false, MODEM_LINES_UNKNOWN, false, false, false, "Control lines exist only on a serial connection", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

} // namespace
} // namespace kestrelon::test
