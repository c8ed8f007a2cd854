// Received data through the data hub's receive path and the document's channel
// into the ASCII view model: 64 MiB of 8-byte lines ending CR LF, in blocks as
// an IP connection delivers them. The rate must not depend on the screen size:
// scrolling moves an index, and a million-line ring takes its blocks as it goes.
#include "hub/DataHub.h"
#include "hub/NullHubLinks.h"
#include "document/KestronDoc.h"
#include "framework/PumpedTarget.h"
#include "screens/AsciiGrid.h"

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

constexpr std::size_t BLOCK = 2000; // one IP receive

void BM_AsciiChannel8ByteLines(benchmark::State& state)
{
    CKestronDoc doc;
    doc.screenColumns = static_cast<std::int32_t>(state.range(0));
    doc.screenLines = static_cast<std::int32_t>(state.range(1));
    CGridView view(doc);
    CQuietHubWindow window;
    CPumpedTarget frame;
    CDataHub hub(doc, window, frame, std::make_unique<CNoSerialLink>(), std::make_unique<CNoIpLink>());
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
    ->Args({80, 1000000})
    ->Args({200, 1999})
    ->Args({999, 1999})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

} // namespace
} // namespace kestrelon
