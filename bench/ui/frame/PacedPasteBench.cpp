// A 2000-byte paste through the real main window (offscreen) to a
// pseudo-terminal device with a 2 ms character delay: how long it takes (at
// least 2000 x 2 ms), how responsive the window stays meanwhile (the longest
// gap between the ticks of a 10 ms timer in its event loop), whether the
// message pane shows "Sending: N bytes left", and what Escape leaves unsent.
// Measured on the shared 2-core build machine (load average about 16), two
// runs: the paste took 5.7 s (at least 4 s asked), longest tick gap 83 ms, the
// pane showed the count; Escape after 1 s: 113 to 238 bytes had arrived, at
// most one more after the key, nothing left queued, longest tick gap 48 ms.
#include "document/KestronDoc.h"
#include "document/Pacing.h"
#include "document/SettingsStore.h"
#include "hub/DataHub.h"
#include "ui/frame/MainFrame.h"

#include "RunEvents.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

using namespace kestrelon;
using kestrelon::bench::RunUntil;

namespace {

constexpr std::uint32_t kPtyPort = 201;
constexpr int kPasteBytes = 2000;
constexpr int kCharDelayMs = 2;

// The device: counts what arrives on the master side.
struct Device {
    Device()
    {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        openpty(&master, &slave, name, &raw, nullptr);
        path = name;
        reader = std::thread([this] {
            char buffer[256];
            while (!stop) {
                pollfd p{master, POLLIN, 0};
                if (poll(&p, 1, 20) > 0) {
                    const ssize_t n = read(master, buffer, sizeof buffer);
                    if (n > 0)
                        received += static_cast<int>(n);
                }
            }
        });
    }
    ~Device()
    {
        stop = true;
        reader.join();
        close(master);
        close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
    std::atomic<int> received{0};
    std::atomic<bool> stop{false};
    std::thread reader;
};

void RunPaste(benchmark::State& state, bool escapeAfterOneSecond)
{
    for (auto _ : state) {
        Device device;
        CMemorySettingsStore store;
        store.Write("Ports", "COM" + std::to_string(kPtyPort), device.path);
        SavePacing(store, "", CPacing{kCharDelayMs, 0});
        CKestronDoc doc;
        doc.comPort = kPtyPort;
        doc.SetHardwareHandshake(false);
        auto frame = std::make_unique<CMainFrame>(doc, nullptr, &store);
        frame->Create();
        for (int view : {2, 1, 0})
            frame->SwitchView(view);
        frame->show();
        CDataHub& hub = *frame->Hub();
        hub.ApplyConnection();
        RunUntil([&] { return hub.IsConnectionOpen(); }, 5000);
        QGuiApplication::clipboard()->setText(QString(kPasteBytes, QLatin1Char('x')));

        qint64 longestGap = 0;
        QElapsedTimer sinceTick;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        QElapsedTimer wall;
        wall.start();
        sinceTick.start();
        ticker.start(10);
        frame->OnCommand(ID_EDIT_PASTE);
        bool showedSending = false;
        auto watchPane = [&] {
            showedSending = showedSending || frame->MainStatusBar()->PaneText(0).startsWith(QLatin1String("Sending: "));
        };
        int atEscape = 0;
        if (escapeAfterOneSecond) {
            RunUntil([&] { watchPane(); return wall.elapsed() >= 1000; }, 5000);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
            QApplication::sendEvent(frame->View(0), &press);
            atEscape = device.received;
            RunUntil([] { return false; }, 500); // what was under way arrives
        } else {
            RunUntil([&] { watchPane(); return device.received >= kPasteBytes; }, 60000);
        }
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        ticker.stop();
        state.SetIterationTime(seconds);
        state.counters["bytes_arrived"] = device.received.load();
        state.counters["longest_tick_gap_ms"] = static_cast<double>(longestGap);
        state.counters["showed_sending"] = showedSending ? 1 : 0;
        if (escapeAfterOneSecond) {
            state.counters["bytes_at_escape"] = atEscape;
            state.counters["paced_left_after_escape"] = static_cast<double>(hub.PacedBytesLeft());
        }
        frame.reset();
    }
}

void BM_PacedPaste2000(benchmark::State& state)
{
    RunPaste(state, false);
}
void BM_PacedPasteEscape(benchmark::State& state)
{
    RunPaste(state, true);
}

} // namespace

BENCHMARK(BM_PacedPaste2000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedPasteEscape)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

