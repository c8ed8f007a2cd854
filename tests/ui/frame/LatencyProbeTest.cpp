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

TEST(LatencyProbe, StartsOnlyWithAWritableFile)
{
    struct Row {
        const char* name;
        const char* file; // relative to the test directory; empty leaves the variable unset
        bool started;
    };
    for (const Row& row : {Row{"Unset", "", false}, Row{"WritableFile", "latency.txt", true},
                           Row{"MissingDirectory", "no/such/dir/latency.txt", false}}) {
        test::TempDir dir;
        const std::string file = *row.file ? dir.File(row.file) : std::string();
        ProbeVariable variable(file);
        QObject owner;
        CLatencyProbe::StartIfRequested(&owner);
        EXPECT_EQ(!owner.children().isEmpty(), row.started) << row.name;
        EXPECT_EQ(!file.empty() && QFile::exists(QString::fromStdString(file)), row.started) << row.name;
    }
}

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
