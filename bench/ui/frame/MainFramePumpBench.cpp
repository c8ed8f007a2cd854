// The window's half of the receive path: blocks of short lines posted by a
// connection thread, woken into the Qt event loop, pumped through the data hub
// and the document to the three real views (ASCII, hex, ANSI). Offscreen
// platform; the views repaint only from their timers, as in the program.
// 8-byte lines end in LF alone (the ASCII view's rows then wrap); 10-byte
// lines end in CR LF, as the flood of a pseudo-terminal sends them.
#include "support/HubDoubles.h"
#include "document/ByteBlock.h"
#include "hub/DataHub.h"
#include "document/KestronDoc.h"
#include "ui/frame/MainFrame.h"
#include "document/Messages.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <string>
#include <thread>

namespace kestrelon {
namespace {

void PumpLines(benchmark::State& state, const std::string& line)
{
    const int columns = static_cast<int>(state.range(0));
    const int lines = static_cast<int>(state.range(1));
    CKestronDoc doc;
    doc.screenColumns = columns;
    doc.screenLines = lines;
    doc.commMode = 1;
    CMainFrame frame(doc, nullptr, nullptr);
    frame.Create([&doc](CMainFrame& owner) {
        return std::make_unique<CDataHub>(doc, owner, owner.Target(), std::make_unique<test::CRecordingSerialLink>(),
                                          std::make_unique<test::CRecordingIpLink>());
    });
    for (int view : {2, 1, 0})
        frame.SwitchView(view);

    constexpr int kBlock = 4096;
    constexpr int kBlocksPerRound = 256; // 1 MiB a round
    std::string block;
    while (block.size() < kBlock)
        block += line;
    block.resize(kBlock - 2);
    block += "\r\n";
    for (auto _ : state) {
        std::thread connection([&] {
            for (int i = 0; i < kBlocksPerRound; ++i)
                frame.Target().Post(MakeMessage(WM_IP_MAIN, IP_RECEIVED, 0,
                                                std::make_unique<CByteBlock>(block.data(), kBlock)));
        });
        connection.join();
        while (frame.Target().Pending() > 0)
            QCoreApplication::processEvents();
    }
    state.SetBytesProcessed(state.iterations() * kBlock * kBlocksPerRound);
}
void BM_FramePumpReceivedLines(benchmark::State& state)
{
    PumpLines(state, "1234567\n");
}
void BM_FramePumpReceivedCrLfLines(benchmark::State& state)
{
    PumpLines(state, "12345678\r\n");
}
BENCHMARK(BM_FramePumpReceivedLines)->Args({80, 1000})->Args({999, 1999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FramePumpReceivedCrLfLines)->Args({80, 1000})->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrelon

