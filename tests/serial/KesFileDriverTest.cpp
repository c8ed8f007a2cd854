// The transfer half of the serial driver: the status texts the dialog shows
// and a transfer over a pty that takes the port from the reader and gives it
// back.
#include "serial/KesFileDriver.h"

#include "document/ByteBlock.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "framework/PumpedTarget.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace kestrelon {
namespace {

using Notes = std::vector<std::pair<int, std::uint64_t>>;

CTransferFields Follow(bool sizeKnown, const Notes& notes)
{
    CTransferStatus status("/tmp/f", sizeKnown);
    std::time_t now = 1000;
    status.SetClock([&now] { return now; });
    for (const auto& [code, value] : notes) {
        status.Apply(code, value);
        now += 61;
    }
    status.Tick();
    return status.Fields();
}

auto Tie(const CTransferFields& f)
{
    return std::tie(f.fileName, f.protocol, f.errorChecking, f.repetitions, f.repetitionsTotal, f.transferred,
                    f.duration, f.restDuration, f.throughput);
}

TEST(TransferStatus, FieldsFollowTheNotifications)
{
    // clang-format off
    const Notes notes = {{TRANSFER_FILE_LENGTH, 1000000}, {TRANSFER_PROTOCOL, PROTOCOL_YMODEM}, {TRANSFER_ERROR_CHECK, ERROR_CHECK_CRC},
                         {TRANSFER_STARTED, 0}, {TRANSFER_REPETITIONS, 2}, {TRANSFER_REPETITIONS_ALL, 5},
                         {TRANSFER_BYTES, 400000}, {TRANSFER_THROUGHPUT, 100}, {TRANSFER_THROUGHPUT, 0}};
    // clang-format on
    const CTransferFields known{"/tmp/f", "YModem", "CRC", "2", "5", "390 KBytes", "00:06:06", "01:40:00", "100 cps"};
    const CTransferFields unknown{"/tmp/f", "YModem", "CRC", "2", "5", "390 KBytes", "00:06:06", "", "100 cps"};
    EXPECT_EQ(Tie(Follow(true, notes)), Tie(known));
    EXPECT_EQ(Tie(Follow(false, notes)), Tie(unknown));
}

TEST(TransferStatus, SpansShowHoursWithinTheDayAndNeverGoNegative)
{
    const std::vector<std::pair<std::int64_t, std::string>> cases = {
        {0, "00:00:00"}, {59, "00:00:59"}, {3661, "01:01:01"}, {86400 + 5, "00:00:05"}, {-3, "00:00:00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(CTransferStatus::FormatSpan(seconds), text) << seconds;
    // More bytes than announced: no rest below zero.
    CTransferStatus status("f", true);
    status.Apply(TRANSFER_FILE_LENGTH, 10);
    status.Apply(TRANSFER_BYTES, 20);
    status.Apply(TRANSFER_THROUGHPUT, 5);
    EXPECT_EQ(status.Fields().restDuration, "00:00:00");
    // A YModem file that ended short is named for the end message.
    status.SetFileName("/in/fw.bin");
    status.Apply(TRANSFER_FILE_SHORT, 8);
    EXPECT_EQ(status.ShortFiles(), std::vector<std::string>{"fw.bin (8 of 10 bytes)"});
}

class DriverOnPty : public ::testing::Test {
protected:
    DriverOnPty()
        : target([this](CMessage& m) {
              if (m.message == WM_TRANSFER) {
                  std::string path;
                  if (auto text = m.TakePayload<CTextPayload>())
                      path = text->Text();
                  if (driver.OnTransferNotify(static_cast<int>(m.wParam), static_cast<std::uint64_t>(m.lParam),
                                              &path) == CKesFileDriver::ENotifyStep::Ended)
                      results.push_back(m.lParam);
              } else if (m.message == WM_TERMINAL && m.wParam == TC_RECEIVED) {
                  received = true;
                  if (auto block = m.TakePayload<CByteBlock>())
                      shown.append(reinterpret_cast<const char*>(block->data()), std::size_t(block->length()));
              }
              return 0;
          })
    {
        target.SetPumpThread(std::this_thread::get_id());
        store.Write("Ports", "COM231", pty.SlavePath());
        driver.Open(231, {.BaudRate = 115200, .ByteSize = 8});
        EXPECT_TRUE(Pump([this] { return driver.IsSetUp(); }));
    }
    ~DriverOnPty() override { target.Close(); }

    bool Pump(const std::function<bool()>& done, int ms = 3000)
    {
        return target.PumpUntil(done, std::chrono::milliseconds(ms));
    }

    test::PtyPair pty;
    test::TempDir dir;
    CMemorySettingsStore store;
    std::vector<std::intptr_t> results;
    bool received = false;
    std::string shown;
    CPumpedTarget target;
    CKesFileDriver driver{target, store};
};

TEST_F(DriverOnPty, RemoteCancelEndsTheTransferAndTheReaderReadsAgain)
{
    ASSERT_TRUE(driver.StartReceive(PROTOCOL_YMODEM, dir.Path().string()));
    EXPECT_FALSE(driver.StartSend(PROTOCOL_XMODEM, dir.File("x"))); // busy: ignored
    EXPECT_FALSE(driver.StartReceive(PROTOCOL_NONE, dir.Path().string()));
    EXPECT_EQ(pty.ReadMaster(3000).substr(0, 1), "C"); // the engine, not the reader, has the line
    ASSERT_TRUE(pty.WriteMaster("\x18\x18"));
    ASSERT_TRUE(Pump([this] { return !results.empty(); }));
    EXPECT_EQ(results, std::vector<std::intptr_t>{RESULT_CANCELLED});
    EXPECT_FALSE(driver.IsTransferBusy());
    ASSERT_TRUE(pty.WriteMaster("hello"));
    EXPECT_TRUE(Pump([this] { return received; }));
}

TEST_F(DriverOnPty, UserCancelEndsQuietly)
{
    ASSERT_TRUE(driver.StartReceive(PROTOCOL_XMODEM_1K, dir.File("x.bin")));
    EXPECT_FALSE(driver.Status()->SizeKnown());
    driver.CancelTransfer();
    ASSERT_TRUE(Pump([this] { return !results.empty(); }, 1000));
    EXPECT_EQ(results, std::vector<std::intptr_t>{RESULT_ENDED});
    const std::string line = pty.ReadMaster(100);
    EXPECT_EQ(line.find('\x18'), std::string::npos); // nothing told to the remote side
}

// A paced paste under way stops when a send takes the line; a plain send only
// writes, so what the device answers meanwhile reaches the terminal.
TEST_F(DriverOnPty, ASendStopsAPacedPasteAndLetsRepliesThrough)
{
    driver.SetPacing(20, 0);
    const std::string paste(5000, 'p'), file(64 * 1024, 'f');
    driver.WritePaced(paste.data(), paste.size());
    EXPECT_EQ(pty.ReadMaster(2000, 3).substr(0, 3), "ppp");
    test::WriteFileBytes(dir.File("f"), file);
    ASSERT_TRUE(driver.StartSend(PROTOCOL_NONE, dir.File("f")));
    ASSERT_TRUE(pty.WriteMaster("reply"));
    // Shown while the send still waits for room on the line.
    EXPECT_TRUE(Pump([this] { return shown == "reply"; }, 1000)) << "the device's reply was held or lost: " << shown;
    std::string line = pty.ReadMaster(5000, file.size());
    ASSERT_TRUE(Pump([this] { return !results.empty(); }));
    line += pty.ReadMaster(300);
    line.erase(0, line.find_first_not_of('p')); // left before the send took the line
    EXPECT_TRUE(line == file) << line.size() << " bytes, " << std::count(line.begin(), line.end(), 'p') << " of the paste";
    EXPECT_EQ(results, std::vector<std::intptr_t>{RESULT_SUCCESS});
}

} // namespace
} // namespace kestrelon
