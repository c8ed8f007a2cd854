// Received data through the data hub's receive path and the document's channel
// into the ASCII view model: 64 MiB of 8-byte lines ending CR LF, in blocks as
// an IP connection delivers them. The rate must not depend on the screen size:
// scrolling moves an index.
#include "core/DataHub.h"
#include "core/HubWindow.h"
#include "core/KestronDoc.h"
#include "framework/PumpedTarget.h"
#include "views/AsciiGrid.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace kestrelon {
namespace {

// The view's half of the channel without a window: grid plus follow position.
class CGridView : public IDocumentView {
public:
    CGridView(CKestronDoc& doc) : m_doc(doc), m_grid(doc.screenColumns, doc.screenLines) { doc.AddView(this); }
    ~CGridView() override { m_doc.RemoveView(this); }
    void OnUpdate(const CUpdateHint& hint) override
    {
        if (m_grid.Apply(hint, m_doc.screenColumns, m_doc.screenLines) == GridChange::Written && m_grid.IsAutoscroll())
            m_follow = CAsciiGrid::FollowPosition(m_grid.Caret().row, 1080 / 20, 20).value_or(m_follow);
    }
    int Follow() const { return m_follow; }

private:
    CKestronDoc& m_doc;
    CAsciiGrid m_grid;
    int m_follow = 0;
};

class CQuietWindow : public IHubWindow {
public:
    void SetLedState(LedRole, int) override {}
    void BlinkLed(LedRole, int, int) override {}
    void AlternateLed(LedRole, int, int, int, int) override {}
    void SetStatusPanes(std::uint32_t) override {}
    void SetPaneText(PaneId, const std::string&) override {}
    void EnableFunctionKeys(bool) override {}
    void RefreshFunctionKeys() override {}
    bool ShowPortFailureDialog() override { return false; }
    void ShowMessageBox(const std::string&, MessageBoxIcon) override {}
    void PostCommand(int) override {}
    void Beep() override {}
    void FocusActiveView() override {}
    int ActiveView() const override { return 0; }
    bool IsGpsBarVisible() const override { return false; }
    void FeedGps(std::uint8_t) override {}
};

class CNoSerial : public ISerialLink {
public:
    void Open(std::uint32_t, const DCB&) override {}
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool GetState(DCB&) const override { return false; }
    void SetBaudRate(std::uint32_t) override {}
    void Write(const std::uint8_t*, std::size_t) override {}
    void Quit() override {}
};

class CNoIp : public IIpLink {
public:
    bool Start(std::uint32_t, const std::string&, std::uint32_t, std::string&) override { return true; }
    void Stop() override {}
    void CloseConnection() override {}
    bool IsListening() const override { return false; }
    bool IsConnected() const override { return false; }
    void OnConnected(std::intptr_t) override {}
    void OnDisconnected() override {}
    void Send(const std::uint8_t*, std::size_t) override {}
    std::string PeerName() const override { return {}; }
};

constexpr std::size_t BLOCK = 2000; // one IP receive

void BM_AsciiChannel8ByteLines(benchmark::State& state)
{
    CKestronDoc doc;
    doc.screenColumns = static_cast<std::int32_t>(state.range(0));
    doc.screenLines = static_cast<std::int32_t>(state.range(1));
    CGridView view(doc);
    CQuietWindow window;
    CPumpedTarget frame;
    CDataHub hub(doc, window, frame, std::make_unique<CNoSerial>(), std::make_unique<CNoIp>());
    constexpr std::size_t TOTAL = 64u << 20;
    std::vector<std::uint8_t> data(TOTAL);
    for (std::size_t i = 0; i < TOTAL; ++i) {
        const std::size_t column = i % 8;
        data[i] = column == 6 ? '\r' : column == 7 ? '\n' : static_cast<std::uint8_t>('0' + (i / 8 + column) % 10);
    }
    for (auto _ : state) {
        for (std::size_t at = 0; at < TOTAL; at += BLOCK)
            hub.ProcessReceived(data.data() + at, std::min(BLOCK, TOTAL - at), RECEIVE_COLOUR);
        benchmark::DoNotOptimize(view.Follow());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(TOTAL));
}

BENCHMARK(BM_AsciiChannel8ByteLines)
    ->Args({40, 25})
    ->Args({80, 1000})
    ->Args({200, 1999})
    ->Args({999, 1999})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

} // namespace
} // namespace kestrelon
