// Received data through the document's channel into the ASCII view model, split
// the way the receive path splits it (CR, LF and BS alone, runs of at most one
// row). The rate must not depend on the screen size: scrolling moves an index.
#include "core/KestronDoc.h"
#include "views/AsciiGrid.h"

#include <benchmark/benchmark.h>

#include <string>

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

void Split(CKestronDoc& doc, const std::string& data)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    const std::size_t size = data.size();
    std::size_t runStart = 0;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = bytes[i];
        const bool control = b == 8 || b == 10 || b == 13;
        if (control || static_cast<std::int32_t>(i - runStart) == doc.screenColumns) {
            if (i > runStart)
                doc.AddBlock(bytes + runStart, static_cast<std::int32_t>(i - runStart), RECEIVE_COLOUR);
            runStart = i;
        }
        if (control) {
            doc.AddByte(b, RECEIVE_COLOUR);
            runStart = i + 1;
        }
    }
    if (size > runStart)
        doc.AddBlock(bytes + runStart, static_cast<std::int32_t>(size - runStart), RECEIVE_COLOUR);
}

void BM_AsciiChannel8ByteLines(benchmark::State& state)
{
    CKestronDoc doc;
    doc.screenColumns = static_cast<std::int32_t>(state.range(0));
    doc.screenLines = static_cast<std::int32_t>(state.range(1));
    CGridView view(doc);
    std::string chunk;
    for (int i = 0; chunk.size() < 64 * 1024; ++i)
        chunk += std::to_string(100000 + i % 900000).substr(0, 6) + "\r\n";
    constexpr std::size_t TOTAL = 64u << 20;
    const std::size_t chunks = TOTAL / chunk.size();
    for (auto _ : state) {
        for (std::size_t i = 0; i < chunks; ++i)
            Split(doc, chunk);
        benchmark::DoNotOptimize(view.Follow());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(chunks * chunk.size()));
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
