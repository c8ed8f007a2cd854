// Time stamps over a pty sending lines 10 ms apart: view and log stamps follow
// arrival, a wrapped line has one stamp. Tolerances suit a loaded machine.
#include "hub/DriverHubFixture.h"
#include "screens/AsciiGrid.h"

#include <gtest/gtest.h>

#include <fstream>
#include <thread>
#include <vector>

namespace kestrelon::test {
namespace {

using namespace std::chrono_literals;

constexpr int kLines = 20;
constexpr DataTime kTolerance = 100; // ms between a write and its stamp

class GridView : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint& hint) override { grid.Apply(hint, grid.Columns(), grid.Lines()); }
    CAsciiGrid grid{80, 100};
};

class TimeStampOverPtyTest : public DriverHubFixture, public ::testing::Test {
protected:
    TimeStampOverPtyTest() { doc.AddView(&stamped); }
    ~TimeStampOverPtyTest() override { doc.RemoveView(&stamped); }
    GridView stamped;
};

TEST_F(TimeStampOverPtyTest, StampsFollowArrivalInViewAndLog)
{
    doc.SetLogTimestamps(true);
    OpenPty();
    doc.ResetScreen(); // the line that marks the open
    const std::string logPath = (dir.Path() / "stamps.txt").string();
    ASSERT_TRUE(hub->StartLogging(logPath));

    std::vector<DataTime> written(kLines + 1);
    std::thread device([&] {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i <= kLines; ++i) {
            std::this_thread::sleep_until(start + i * 10ms);
            written[static_cast<std::size_t>(i)] = DataClockNow();
            pty.WriteMaster(i < kLines ? "line " + std::to_string(i) + "\r\n" : std::string(100, 'w') + "\r\n");
        }
    });
    const bool arrived = PumpUntil([&] { return stamped.grid.Caret().row >= kLines + 2; });
    device.join();
    ASSERT_TRUE(arrived);
    hub->StopLogging();

    std::ifstream log(logPath);
    std::vector<std::string> logLines;
    for (std::string line; std::getline(log, line);)
        logLines.push_back(line);
    ASSERT_EQ(logLines.size(), static_cast<std::size_t>(kLines + 1));
    for (int i = 0; i <= kLines; ++i) {
        const DataTime stamp = stamped.grid.RowTime(i);
        EXPECT_NEAR(static_cast<double>(stamp), static_cast<double>(written[static_cast<std::size_t>(i)]), kTolerance)
            << "line " << i;
        if (i > 0) {
            EXPECT_GE(stamp, stamped.grid.RowTime(i - 1)) << "line " << i;
        }
        // The log carries the view's stamp, once per line, wrapped or not.
        EXPECT_EQ(logLines[static_cast<std::size_t>(i)].substr(0, TIME_STAMP_LENGTH), TimeStampText(stamp));
    }
    // Twenty gaps of 10 ms: the stamps spread over about 200 ms.
    EXPECT_GE(stamped.grid.RowTime(kLines) - stamped.grid.RowTime(0), 150);
    EXPECT_EQ(stamped.grid.RowTime(kLines + 1), 0) << "the wrapped part of the long line has no stamp of its own";
    EXPECT_EQ(logLines.back().substr(TIME_STAMP_LENGTH), std::string(100, 'w') + "\r");
}

} // namespace
} // namespace kestrelon::test
