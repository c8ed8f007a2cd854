// Bridge mode under a 64 MiB device flood through the real main window
// (offscreen, the three real views): a pseudo-terminal device, the bridge as an
// IPv4 server and one loopback peer. Besides throughput and order it measures
// how responsive the window stays: the longest gap between the ticks of a 10 ms
// timer running in the window's event loop.
// Measured on the shared 2-core build machine (load average about 11), two runs
// each: reading peer 8.5 to 13 MiB/s, all 64 MiB byte for byte and in order,
// nothing dropped, longest tick gap 59 to 157 ms. Stalled peer: the views got
// all 64 MiB, one overflow report, resident size up by at most 1.7 MiB, longest
// tick gap 69 to 111 ms.
#include "BridgeFloodKit.h"
#include "automation/Bridge.h"
#include "hub/DataHub.h"
#include "document/KestronDoc.h"
#include "ui/frame/MainFrame.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"

#include "RunEvents.h"
#include "ShownWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/wait.h>

#include <algorithm>

using namespace kestrelon;
using namespace kestrelon::bench;

namespace {

void RunWindowFlood(benchmark::State& state, bool peerReads)
{
    for (auto _ : state) {
        Pty pty;
        CMemorySettingsStore store;
        store.Write("Ports", "COM" + std::to_string(kPtyPort), pty.path);
        CKestronDoc doc;
        doc.comPort = kPtyPort;
        doc.SetHardwareHandshake(false);
        doc.bridgeMode = 1;
        doc.bridgePort = 0;
        CountingView counted;
        doc.AddView(&counted);
        auto frame = OpenShownWindow(doc, store);
        if (!frame) {
            state.SkipWithError("the serial port did not open");
            return;
        }
        CDataHub& hub = *frame->Hub();
        frame->OnCommand(ID_TOGGLE_BRIDGE);
        Peer peer(hub.Bridge().ListeningPort(), peerReads);
        RunUntil([&] { return hub.Bridge().IsPeerConnected(); }, 5000);

        qint64 longestGap = 0;
        QElapsedTimer sinceTick;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        const long rssBefore = MaxRssKiB();
        QElapsedTimer wall;
        wall.start();
        sinceTick.start();
        ticker.start(10);
        const pid_t device = StartDevice(pty.master);
        RunUntil([&] { return peerReads ? peer.Received() >= kFloodBytes : counted.bytes >= kFloodBytes; }, 120000);
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        ticker.stop();
        int status = 0;
        waitpid(device, &status, 0);

        ReportFlood(state, seconds, counted.bytes, peer, hub.Bridge(), rssBefore);
        state.counters["longest_tick_gap_ms"] = static_cast<double>(longestGap);

        frame.reset();
        doc.RemoveView(&counted);
    }
}

void BM_BridgeWindowFlood(benchmark::State& state)
{
    RunWindowFlood(state, true);
}
void BM_BridgeWindowStalledPeer(benchmark::State& state)
{
    RunWindowFlood(state, false);
}

} // namespace

BENCHMARK(BM_BridgeWindowFlood)->Iterations(1)->Repetitions(2)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BridgeWindowStalledPeer)->Iterations(1)->Repetitions(2)->UseManualTime()->Unit(benchmark::kMillisecond);

