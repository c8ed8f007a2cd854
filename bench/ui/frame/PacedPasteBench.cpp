// A 2000-byte paste through the real main window (offscreen) to a
// pseudo-terminal device, and to a loopback TCP server the window connects to
// as a client, with a 2 ms character delay: how long it takes (at
// least 2000 x 2 ms), how responsive the window stays meanwhile (the longest
// gap between the ticks of a 10 ms timer in its event loop), whether the
// message pane shows "Sending: N bytes left", and what Escape leaves unsent.
// Measured on the shared 2-core build machine (load average about 16), two
// runs: the paste took 5.7 s (at least 4 s asked), longest tick gap 83 ms, the
// pane showed the count; Escape after 1 s: 113 to 238 bytes had arrived, at
// most one more after the key, nothing left queued, longest tick gap 48 ms.
// Over TCP (load average about 6): the paste took 6.2 s (at least 4 s asked),
// longest tick gap 15 to 18 ms; Escape after 1 s: 388 bytes had arrived, none
// after the key, nothing left queued, longest tick gap 15 ms.
#include "document/KestronDoc.h"
#include "document/Pacing.h"
#include "document/SettingsStore.h"
#include "hub/DataHub.h"
#include "ui/frame/MainFrame.h"

#include "RunEvents.h"
#include "ShownWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>

using namespace kestrelon;
using kestrelon::bench::OpenShownWindow;
using kestrelon::bench::RunUntil;

namespace {

constexpr std::uint32_t kPtyPort = 201;
constexpr int kPasteBytes = 2000;
constexpr int kCharDelayMs = 2;

// Counts what arrives on a descriptor on a thread of its own.
class Counter {
public:
    explicit Counter(int fd) : m_fd(fd)
    {
        m_thread = std::thread([this] {
            char buffer[256];
            while (!m_stop) {
                pollfd p{m_fd, POLLIN, 0};
                if (poll(&p, 1, 20) > 0) {
                    const ssize_t n = read(m_fd, buffer, sizeof buffer);
                    if (n > 0)
                        received += static_cast<int>(n);
                }
            }
        });
    }
    ~Counter()
    {
        m_stop = true;
        m_thread.join();
    }
    std::atomic<int> received{0};

private:
    int m_fd;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// The device: a pseudo-terminal whose master side counts what arrives.
struct PtyDevice {
    PtyDevice()
    {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        openpty(&master, &slave, name, &raw, nullptr);
        path = name;
        counter = std::make_unique<Counter>(master);
    }
    ~PtyDevice()
    {
        counter.reset();
        close(master);
        close(slave);
    }
    int master = -1, slave = -1;
    std::string path;
    std::unique_ptr<Counter> counter;
};

// The device: a loopback TCP server taking one client and counting its bytes.
struct TcpDevice {
    TcpDevice()
    {
        listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr*>(&address), length);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        port = ntohs(address.sin_port);
    }
    // After the window connected.
    void Accept()
    {
        peer = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        counter = std::make_unique<Counter>(peer);
    }
    ~TcpDevice()
    {
        counter.reset();
        close(peer);
        close(listener);
    }
    int listener = -1, peer = -1;
    std::uint16_t port = 0;
    std::unique_ptr<Counter> counter;
};

void RunPaste(benchmark::State& state, bool escapeAfterOneSecond, bool overTcp)
{
    for (auto _ : state) {
        PtyDevice pty;
        TcpDevice tcp;
        CMemorySettingsStore store;
        store.Write("Ports", "COM" + std::to_string(kPtyPort), pty.path);
        SavePacing(store, "", CPacing{kCharDelayMs, 0});
        CKestronDoc doc;
        doc.comPort = kPtyPort;
        doc.SetHardwareHandshake(false);
        if (overTcp) {
            doc.commMode = 1;
            doc.ipServer = "127.0.0.1";
            doc.ipPort = tcp.port;
        }
        auto frame = OpenShownWindow(doc, store);
        if (!frame) {
            state.SkipWithError("the connection did not open");
            return;
        }
        CDataHub& hub = *frame->Hub();
        if (overTcp)
            tcp.Accept(); // the window is connected: accept returns at once
        const std::atomic<int>& received = overTcp ? tcp.counter->received : pty.counter->received;
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
            atEscape = received;
            RunUntil([] { return false; }, 500); // what was under way arrives
        } else {
            RunUntil([&] { watchPane(); return received >= kPasteBytes; }, 60000);
        }
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        ticker.stop();
        state.SetIterationTime(seconds);
        state.counters["bytes_arrived"] = received.load();
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
    RunPaste(state, false, false);
}
void BM_PacedPasteEscape(benchmark::State& state)
{
    RunPaste(state, true, false);
}
void BM_PacedPaste2000OverTcp(benchmark::State& state)
{
    RunPaste(state, false, true);
}
void BM_PacedPasteEscapeOverTcp(benchmark::State& state)
{
    RunPaste(state, true, true);
}

} // namespace

BENCHMARK(BM_PacedPaste2000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedPasteEscape)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedPaste2000OverTcp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PacedPasteEscapeOverTcp)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

