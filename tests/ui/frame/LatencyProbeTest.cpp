// Tests of the opt-in event latency probe: it exists only when asked for, and what
// it writes is the real wait of a posted call behind a busy event loop.
#include "ui/frame/LatencyProbe.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace kestrelon {
namespace {

using namespace std::chrono_literals;

// Sets the variable for one test and removes it afterwards.
class ProbeVariable {
public:
    explicit ProbeVariable(const std::string& value)
    {
        if (!value.empty())
            qputenv("KESTRELON_LATENCY_PROBE", QByteArray::fromStdString(value));
    }
    ~ProbeVariable() { qunsetenv("KESTRELON_LATENCY_PROBE"); }
};

// Runs the event loop for `span` without sleeping past it.
void Pump(std::chrono::milliseconds span)
{
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

std::vector<long long> Waits(const std::string& path)
{
    std::vector<long long> waits;
    for (const QString& line : QString::fromStdString(test::ReadFileBytes(path)).split('\n', Qt::SkipEmptyParts)) {
        bool ok = false;
        waits.push_back(line.toLongLong(&ok));
        EXPECT_TRUE(ok) << "not a number of microseconds: " << line.toStdString();
    }
    return waits;
}

struct StartCase {
    const char* name;
    const char* file; // relative to the test directory; empty leaves the variable unset
    bool started;
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class LatencyProbeStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(LatencyProbeStart, ProbeOnlyWithAWritableFile)
{
    test::TempDir dir;
    const std::string file = *GetParam().file ? dir.File(GetParam().file) : std::string();
    ProbeVariable variable(file);
    QObject owner;
    CLatencyProbe::StartIfRequested(&owner);
    EXPECT_EQ(!owner.children().isEmpty(), GetParam().started);
    EXPECT_EQ(!file.empty() && QFile::exists(QString::fromStdString(file)), GetParam().started);
}

const StartCase kStartCases[] = {
    {"Unset", "", false},
    {"WritableFile", "latency.txt", true},
    {"MissingDirectory", "no/such/dir/latency.txt", false},
};

INSTANTIATE_TEST_SUITE_P(Variable, LatencyProbeStart, ::testing::ValuesIn(kStartCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LatencyProbe, RecordsTheWaitBehindABusyEventLoop)
{
    test::TempDir dir;
    ProbeVariable variable(dir.File("latency.txt"));
    {
        QObject owner;
        CLatencyProbe::StartIfRequested(&owner);
        Pump(50ms);
        std::this_thread::sleep_for(150ms); // the user-interface thread is busy
        Pump(50ms);
    }
    const std::vector<long long> waits = Waits(dir.File("latency.txt"));
    // The oldest call queued during the busy spell waited nearly all of it.
    ASSERT_FALSE(waits.empty());
    EXPECT_GE(*std::max_element(waits.begin(), waits.end()), 120'000);
    EXPECT_GE(*std::min_element(waits.begin(), waits.end()), 0);
}

TEST(LatencyProbe, OwnerGoneWithCallsStillQueuedWritesNothingMore)
{
    test::TempDir dir;
    ProbeVariable variable(dir.File("latency.txt"));
    {
        QObject owner;
        CLatencyProbe::StartIfRequested(&owner);
        std::this_thread::sleep_for(60ms); // calls pile up unprocessed
    }
    Pump(30ms); // would run the queued calls of a probe that outlived its owner
    EXPECT_EQ(test::ReadFileBytes(dir.File("latency.txt")), "");
}

} // namespace
} // namespace kestrelon
