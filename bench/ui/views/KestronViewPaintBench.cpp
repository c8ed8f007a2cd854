// One full repaint of a 1920 x 1080 ASCII view filled with text, on the
// offscreen platform: plain received text, and mixed colours with a selection.
#include "document/KestronDoc.h"
#include "framework/PumpedTarget.h"
#include "ui/views/KestronView.h"

#include <QApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

namespace kestrelon {
namespace {

void BM_AsciiViewFullRepaint(benchmark::State& state)
{
    const bool mixed = state.range(0) != 0;
    CKestronDoc doc;
    doc.screenColumns = 200;
    doc.screenLines = 1000;
    doc.font.lfHeight = 20;
    doc.font.lfWeight = 700;
    std::strcpy(doc.font.lfFaceName, "Courier New");
    CPumpedTarget frame;
    CKestronView view(doc, frame);
    view.setFrameStyle(0);
    view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view.resize(1920, 1080);
    const std::string text = "The quick brown fox jumps over the lazy dog 0123456789 ";
    for (int row = 0; row < 200; ++row) {
        for (int column = 0; column < 200; column += 10) {
            const auto* piece = reinterpret_cast<const std::uint8_t*>(text.data() + (row + column) % 40);
            doc.AddBlock(piece, 10, mixed && (column / 10) % 2 == 1 ? SEND_COLOUR : RECEIVE_COLOUR);
        }
    }
    if (mixed)
        view.SelectAll();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

BENCHMARK(BM_AsciiViewFullRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The widget's share of a flood: 8-byte lines through the channel into a shown
// view with autoscroll on, without the repaints (those come from the timer).
void BM_AsciiViewChannel8ByteLines(benchmark::State& state)
{
    CKestronDoc doc;
    doc.screenColumns = static_cast<std::int32_t>(state.range(0));
    doc.screenLines = static_cast<std::int32_t>(state.range(1));
    CPumpedTarget frame;
    CKestronView view(doc, frame);
    view.resize(1920, 1080);
    const std::uint8_t line[] = {'1', '2', '3', '4', '5', '6'};
    constexpr int LINES = 1 << 20;
    for (auto _ : state) {
        for (int i = 0; i < LINES; ++i) {
            doc.AddBlock(line, 6, RECEIVE_COLOUR);
            doc.AddByte(13, RECEIVE_COLOUR);
            doc.AddByte(10, RECEIVE_COLOUR);
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * LINES * 8);
}

BENCHMARK(BM_AsciiViewChannel8ByteLines)->Args({80, 1000})->Args({999, 1999})->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrelon

