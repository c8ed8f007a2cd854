// Stops of the serial driver that take effect whatever its output is doing: a
// device that never reads (a pty nobody reads holds the output), a reader that
// must let go of the port, and notifications that name their open.
#include "serial/FakeSerialPort.h"
#include "serial/KesFileDriver.h"

#include "serial/SerialFrame.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

constexpr std::uint32_t kPort = 210;

DCB NoFlowControl()
{
    DCB dcb;
    dcb.BaudRate = 115200;
    dcb.ByteSize = 8;
    dcb.flags = DcbFlag::fBinary;
    return dcb;
}

class HeldOutput : public testing::Test {
protected:
    HeldOutput()
    {
        std::filesystem::create_directories(m_tree.Path() / "sys");
        m_settings.Write(kPortAliasGroup, "COM" + std::to_string(kPort), m_pty.SlavePath());
        m_driver->SetPortTree({m_tree.File("sys"), m_tree.File("dev")});
        m_driver->SetDebugOutput([this](const std::string& text) {
            std::lock_guard lock(m_notesMutex);
            m_notes += text;
        });
    }
    ~HeldOutput() override { m_frame.Target().Close(); }

    void Open()
    {
        m_driver->Open(kPort, NoFlowControl());
        ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Has(TC_PORT_OPENED, 0) && m_frame.Has(TC_CD_HOLD, 0); }));
    }
    // 200 kB to a device that never reads: the pty buffer fills, the rest waits.
    void QueueHeldOutput()
    {
        const std::string piece(4000, 'o');
        for (int i = 0; i < 50; ++i)
            m_driver->Write(piece.data(), static_cast<std::int32_t>(piece.size()));
        m_frame.Settle(100);
    }

    TempDir m_tree;
    PtyPair m_pty;
    CMemorySettingsStore m_settings;
    SerialFrame m_frame;
    std::string Notes()
    {
        std::lock_guard lock(m_notesMutex);
        return m_notes;
    }

    std::mutex m_notesMutex;
    std::string m_notes; // written on the driver thread
    std::unique_ptr<CKesFileDriver> m_driver = std::make_unique<CKesFileDriver>(m_frame.Target(), m_settings);
};

TEST_F(HeldOutput, DeviceOutputStillArrivesWhileOursIsHeld)
{
    Open();
    QueueHeldOutput();
    ASSERT_TRUE(m_pty.WriteMaster("from the device"));
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Received() == "from the device"; }));
}

TEST_F(HeldOutput, CloseDiscardsWhatWaitsAndSaysHowMuch)
{
    Open();
    QueueHeldOutput();
    m_driver->Close();
    ASSERT_TRUE(m_frame.WaitFor([&] { return !m_driver->IsOpen(); }, 2000));
    EXPECT_NE(Notes().find("queued bytes were not sent"), std::string::npos) << Notes();
    // Written after the close: kept nowhere, never sent by a later open.
    m_driver->Write("late", 4);
    m_frame.Clear();
    Open();
    EXPECT_EQ(m_pty.ReadMaster(100).find("late"), std::string::npos);
}

TEST_F(HeldOutput, QuitEndsTheThreadWithOutputHeld)
{
    Open();
    QueueHeldOutput();
    m_driver->Quit();
    m_driver->WaitForExit(); // a hang here is the fault
    EXPECT_FALSE(m_driver->IsOpen());
}

class ReaderHandOver : public testing::Test {
protected:
    ReaderHandOver()
    {
        std::filesystem::create_directories(m_tree.Path() / "sys");
        m_settings.Write(kPortAliasGroup, "COM7", "/fake/line");
        m_driver.SetPortTree({m_tree.File("sys"), m_tree.File("dev")});
    }
    ~ReaderHandOver() override { m_frame.Target().Close(); }

    TempDir m_tree;
    CMemorySettingsStore m_settings;
    std::shared_ptr<CFakeSerialLine> m_line = std::make_shared<CFakeSerialLine>();
    SerialFrame m_frame;
    CKesFileDriver m_driver{m_frame.Target(), m_settings, CFakeSerialPort::Factory(m_line)};
};

// Once EnableReading(false) has returned the reader never touches the port
// again, so a transfer that reads it next gets every byte.
TEST_F(ReaderHandOver, DisabledReaderHasLetGoWhenTheCallReturns)
{
    m_driver.Open(7, NoFlowControl());
    ASSERT_TRUE(m_frame.WaitFor([&] { return m_frame.Has(TC_CD_HOLD, 0); }));
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

} // namespace
