// The serial driver against the in-memory port: hold states and line errors,
// a rate the device refuses, an unplugged device, a line that takes no output,
// and a frame that stops handling messages.
#include "serial/FakeSerialPort.h"
#include "serial/KesFileDriver.h"

#include "serial/SerialFrame.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

constexpr std::uint32_t kPort = 7;

DCB Line(std::uint32_t rate, bool ctsFlow)
{
    return {.BaudRate = rate, .flags = DcbFlag::fBinary | (ctsFlow ? DcbFlag::fOutxCtsFlow : 0), .ByteSize = 8};
}

class FakeDriver : public testing::Test {
protected:
    FakeDriver()
    {
        std::filesystem::create_directories(m_tree.Path() / "sys");
        m_settings.Write(kPortAliasGroup, "COM7", "/fake/line");
        m_driver.SetPortTree({m_tree.File("sys"), m_tree.File("dev")});
    }
    ~FakeDriver() override { m_frame.Target().Close(); }

    void Open(const DCB& dcb)
    {
        m_driver.Open(kPort, dcb);
        ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Has(TC_PORT_OPENED, 0) && m_frame.Has(TC_CD_HOLD, 0); }));
    }
    // The status notices after the first `skip`, once they have settled.
    std::vector<Notice> StatusAfter(std::size_t skip, int settleMs = 60)
    {
        m_frame.Settle(settleMs);
        auto all = m_frame.Status();
        return {all.begin() + static_cast<std::ptrdiff_t>(std::min(skip, all.size())), all.end()};
    }

    TempDir m_tree;
    CMemorySettingsStore m_settings;
    std::shared_ptr<CFakeSerialLine> m_line = std::make_shared<CFakeSerialLine>();
    SerialFrame m_frame;
    CKesFileDriver m_driver{m_frame.Target(), m_settings, CFakeSerialPort::Factory(m_line)};
};

} // namespace

// Without CTS flow control a low CTS is no hold: nothing follows the first pass.
TEST_F(FakeDriver, FirstPassReportsEachHoldStateOnceAndCtsWithoutFlowIsNoHold)
{
    Open(Line(9600, false));
    EXPECT_EQ(m_line->OpenedPath(), "/fake/line");
    m_line->SetCts(false);
    const std::vector<Notice> expected = {
        {TC_PORT_OPENED, 0, {}}, {TC_CTS_HOLD, 0, {}}, {TC_DSR_HOLD, 0, {}}, {TC_CD_HOLD, 0, {}}};
    EXPECT_EQ(StatusAfter(0, 80), expected);
}

TEST_F(FakeDriver, CtsHoldIsReportedAndHidesLineErrors)
{
    Open(Line(9600, true));
    const std::size_t opened = m_frame.Status().size();
    m_line->SetCts(false);
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Has(TC_CTS_HOLD, 1); }));
    m_line->AddErrors(CE_FRAME); // while held: not reported
    m_frame.Settle(60);
    m_line->SetCts(true);
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Status().size() >= opened + 2; }));
    m_line->AddErrors(CE_FRAME);
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Has(TC_LINE_ERRORS, CE_FRAME); }));
    const std::vector<Notice> expected = {{TC_CTS_HOLD, 1, {}}, {TC_CTS_HOLD, 0, {}}, {TC_LINE_ERRORS, CE_FRAME, {}}};
    EXPECT_EQ(StatusAfter(opened), expected);
}

TEST_F(FakeDriver, LineErrorsArriveAsTheirFlags)
{
    Open(Line(9600, false));
    const std::uint32_t masks[] = {CE_FRAME, CE_OVERRUN | CE_RXPARITY, CE_BREAK, CE_RXOVER};
    for (std::uint32_t mask : masks) {
        const std::size_t before = m_frame.Status().size();
        m_line->AddErrors(mask);
        ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Status().size() > before; })) << mask;
        EXPECT_EQ(StatusAfter(before, 30), (std::vector<Notice>{{TC_LINE_ERRORS, mask, {}}})) << mask;
    }
}

// A rate the device refuses on a live line keeps the old one; on opening, the
// port is closed again.
TEST_F(FakeDriver, RefusedRateKeepsTheOldOneOrClosesThePortOnOpen)
{
    m_line->RefuseRate(921600);
    Open(Line(115200, false));
    const std::size_t opened = m_frame.Status().size();
    EXPECT_FALSE(m_driver.SetBaudRate(921600));
    EXPECT_EQ(m_line->LiveRate(), 115200u);
    DCB live;
    ASSERT_TRUE(m_driver.GetState(live));
    EXPECT_EQ(live.BaudRate, 115200u);
    EXPECT_EQ(StatusAfter(opened), std::vector<Notice>{});

    m_driver.Close();
    ASSERT_TRUE(m_frame.WaitFor([&] { return !m_driver.IsOpen(); }));
    const std::size_t closed = StatusAfter(0).size();
    m_driver.Open(kPort, Line(921600, false));
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Status().size() > closed; }));
    EXPECT_EQ(StatusAfter(closed), (std::vector<Notice>{{TC_PORT_FAILED, PF_SETTINGS_REFUSED, {}}}));
    EXPECT_FALSE(m_line->IsOpen());
}

TEST_F(FakeDriver, WriteQueueIsBoundedAndDropsAreReportedOncePerEpisode)
{
    Open(Line(9600, true));
    const std::size_t opened = m_frame.Status().size();
    const std::string half(kMaxQueuedWriteBytes / 2, 'a');
    const std::vector<Notice> oneDrop = {{TC_LINE_ERRORS, CE_TXFULL, {}}};

    for (int episode = 0; episode < 2; ++episode) {
        const std::size_t before = m_frame.Status().size();
        m_line->HoldWrites(true); // CTS held: nothing leaves
        for (int i = 0; i < 5; ++i)
            m_driver.Write(half.data(), static_cast<std::int32_t>(half.size()));
        EXPECT_EQ(StatusAfter(before), oneDrop) << "episode " << episode;
        m_line->HoldWrites(false);
        const std::size_t expected = (episode + 1) * 2 * half.size();
        ASSERT_TRUE(m_frame.WaitFor([&] { return m_line->Written().size() >= expected; })) << episode;
        m_frame.Settle(30);
        EXPECT_EQ(m_line->Written().size(), expected) << "only what fitted was written";
    }
    EXPECT_EQ(m_frame.Status().size(), opened + 2);
}

// The user-interface thread must never wait for a delivery that only it can
// complete: while the driver thread is stuck delivering to an unpumped frame,
// Close, Open and Quit all return, and closing the frame's queue frees the
// thread.
TEST_F(FakeDriver, NeverWaitsForTheFrameItBlocks)
{
    Open(Line(9600, false));
    m_line->Receive("stuck"); // the driver thread now waits in Send: nobody pumps
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    m_driver.Close(); // none of these may wait for the stuck delivery
    m_driver.Open(kPort, Line(9600, false));
    m_driver.Write("x", 1);
    m_driver.Quit();

    m_frame.Target().Close();
    m_driver.WaitForExit();
    EXPECT_FALSE(m_line->IsOpen());
}

// Once EnableReading(false) has returned the reader never touches the port
// again, so a transfer that reads it next gets every byte.
TEST_F(FakeDriver, DisabledReaderHasLetGoWhenTheCallReturns)
{
    Open(Line(9600, false));
    for (int round = 0; round < 3; ++round) {
        m_driver.EnableReading(false);
        const int calls = m_line->ClearErrorCalls();
        m_line->Receive("x");
        m_frame.Settle(40);
        EXPECT_EQ(m_line->ClearErrorCalls(), calls) << round;
        EXPECT_EQ(m_frame.Received().size(), static_cast<std::size_t>(round)) << round;
        m_driver.EnableReading(true);
        ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Received().size() == static_cast<std::size_t>(round + 1); }));
    }
}
