// The serial writer against the in-memory port: function-key texts whose line
// actions come out in order with the bytes around them and their waits, paced bytes, and a discard that ends a wait.
#include "serial/FakeSerialPort.h"
#include "serial/SerialWriter.h"
#include "support/NamedRows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace kestrelon;
using Clock = std::chrono::steady_clock;

namespace {

using test::PrintTo;

// Actions i and j of the transcript are at least `ms` apart.
struct Gap {
    std::size_t from, to;
    int ms;
};

struct ScriptCase {
    const char* name;
    std::string keyText; // a function key's command
    std::string transcript;
    std::vector<Gap> gaps;
    bool modemLines = true;
};

class SerialWriterScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(SerialWriterScript, ActsInOrderWithTheBytes)
{
    const ScriptCase& c = GetParam();
    auto line = std::make_shared<CFakeSerialLine>();
    if (!c.modemLines)
        line->RemoveModemLines();
    CFakeSerialPort port(line);
    ASSERT_EQ(port.Open("/fake"), 0);
    CSerialWriter writer(1 << 16);
    // Queued before the thread starts, so nothing can slip between the pieces.
    for (const CSendStep& step : DecodeSendSteps(c.keyText, 2048, false)) {
        if (step.action)
            writer.QueueAction(*step.action, step.waitMs);
        else
            writer.Queue(step.bytes.data(), step.bytes.size(), true);
    }
    writer.Start(port);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (line->Transcript() != c.transcript && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    writer.Stop();
    EXPECT_EQ(line->Transcript(), c.transcript);
    const auto times = line->ActionTimes();
    for (const Gap& gap : c.gaps) {
        ASSERT_LT(gap.to, times.size());
        EXPECT_GE(times[gap.to] - times[gap.from], std::chrono::milliseconds(gap.ms)) << gap.from << "->" << gap.to;
    }
}

const ScriptCase kScripts[] = {
    {"ResetPulse", "a\\!DTR=0\\!WAIT=60\\!DTR=1b", "a[DTR=0][DTR=1]b", {{0, 1, 60}}},
    {"BootModeWithRts", "\\!RTS=1\\!DTR=0\\!WAIT=30\\!RTS=0boot^M", "[RTS=1][DTR=0][RTS=0]boot\r", {{1, 2, 30}}},
    {"BreakLastsItsTime", "x\\!BREAKy", "x[BREAK+][BREAK-]y", {{0, 1, CSerialWriter::BREAK_MS}}},
    {"NoModemLinesKeepsBytesAndWaits", "a\\!DTR=0\\!WAIT=20b\\!BREAKc", "ab[BREAK+][BREAK-]c", {}, false},
};

INSTANTIATE_TEST_SUITE_P(Scripts, SerialWriterScript, ::testing::ValuesIn(kScripts), test::RowName);

class SerialWriterPacing : public ::testing::Test {
protected:
    SerialWriterPacing() { port.Open("/fake"); }
    ~SerialWriterPacing() override { writer.Stop(); }

    std::shared_ptr<CFakeSerialLine> line = std::make_shared<CFakeSerialLine>();
    CFakeSerialPort port{line};
    CSerialWriter writer{1 << 16};
};

TEST_F(SerialWriterPacing, PacedBytesTakeTheirPausesAndLineEndsTheirs)
{
    writer.SetPacing(5, 40);
    const std::string text = "0123456789\r\n0123456789"; // 22 bytes, one line end
    const auto start = Clock::now();
    writer.Queue(text.data(), text.size(), true);
    EXPECT_EQ(writer.PacedBytes(), text.size());
    writer.Start(port);
    while (line->Written() != text && Clock::now() - start < std::chrono::seconds(5))
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(line->Written(), text);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(21 * 5 + 40)) << "one pause per byte, CR LF one line end";
    EXPECT_EQ(writer.PacedBytes(), 0u);
}

TEST_F(SerialWriterPacing, DiscardEndsAWaitAndDropsWhatFollows)
{
    writer.QueueAction(LineAction::Wait, LINE_WAIT_MAX_MS);
    writer.Queue("late", 4, true);
    writer.Start(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = Clock::now();
    EXPECT_EQ(writer.Discard(), 4u);
    writer.Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << "not the ten-second wait";
    EXPECT_EQ(line->Written(), "");
}

} // namespace
