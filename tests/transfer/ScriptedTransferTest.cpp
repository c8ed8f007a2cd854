// The state machines on a simulated clock: hostile senders, the 'C' and NAK
// timing, the 60 s and echo time-outs, notifications per protocol, block
// layout, and the naming helpers. No line, no waiting.
#include "transfer/TransferPeer.h"

#include "support/NamedRows.h"
#include "support/TempDir.h"
#include "transfer/BlockReceiver.h"
#include "transfer/BlockSender.h"
#include "transfer/Crc16.h"
#include "transfer/ReceiverRequest.h"
#include "transfer/DiskStore.h"
#include "transfer/Throughput.h"
#include "transfer/TransferCodes.h"
#include "transfer/UniqueFileName.h"

#include <gtest/gtest.h>
#include <map>

namespace kestrelon::test {
namespace {

using test::PrintTo;

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Take(CTransferMachine& m)
{
    std::string out(reinterpret_cast<const char*>(m.Pending()), m.PendingSize());
    m.Consume(m.PendingSize());
    return out;
}

void Feed(CTransferMachine& m, const std::string& bytes, TransferTime now)
{
    m.OnBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), now);
}

// Runs the clock from now to until, waking the machine at its deadlines.
// Returns each written piece with the time it was written.
std::vector<std::pair<TransferTime, std::string>> RunClock(CTransferMachine& m, TransferTime now, TransferTime until)
{
    std::vector<std::pair<TransferTime, std::string>> out;
    while (!m.Done() && m.NextDeadline() <= until) {
        now = std::max(now, m.NextDeadline());
        m.OnTime(now);
        if (m.PendingSize() > 0)
            out.emplace_back(now, Take(m));
    }
    return out;
}

// Answers written as letters: a ACK, n NAK, x CAN, C 'C'.
std::string Wire(const std::string& letters)
{
    std::string bytes;
    for (char c : letters)
        bytes += c == 'a' ? char(ACK) : c == 'n' ? char(NAK) : c == 'x' ? char(CAN) : c;
    return bytes;
}

std::map<std::string, std::size_t> Tree(const fs::path& root)
{
    std::map<std::string, std::size_t> tree;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        tree[fs::relative(entry.path(), root).string()] = entry.is_regular_file() ? entry.file_size() : 0;
    return tree;
}

// A receiver writing the file "r", started at `start`.
struct FileReceiver {
    explicit FileReceiver(int protocol, TransferTime start = 0) : receiver(observer, protocol, store)
    {
        receiver.Start(start);
    }
    TempDir dir;
    CRecordingObserver observer;
    CDiskStore store = CDiskStore::ForFile(dir.File("r"));
    CBlockReceiver receiver;
};

// A sender of `data` from the file "f.bin".
struct FileSender {
    FileSender(int protocol, const std::string& data) : opened(Open(data)), sender(observer, protocol, file) {}
    bool Open(const std::string& data)
    {
        WriteFileBytes(dir.File("f.bin"), data);
        return file.Open(dir.File("f.bin"));
    }
    TempDir dir;
    CFileSource file;
    bool opened;
    CRecordingObserver observer;
    CBlockSender sender;
};

const std::string B1 = RandomBytes(1024, 1), B2 = RandomBytes(1024, 2);
const std::string ACK_S = Wire("a"), EOT_S(1, char(EOT)), CLOSE = Block(0, std::string(1024, '\0'));

struct HostileCase {
    const char* name;
    std::vector<std::string> script;         // each piece arrives 100 ms after the one before
    std::string answers;                     // Wire() letters written while the script ran
    int result;                              // after another 60 s of silence
    std::map<std::string, std::size_t> tree; // of the temp dir; "dest" is the receive directory
};

// clang-format off
const HostileCase HOSTILE[] = {
    {"DotDotName", {Header("../x", "3"), Block(1, "abc"), EOT_S, CLOSE}, "CaCaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/x", 3}}},
    {"AbsoluteName", {Header("/etc/passwd"), Block(1, B1), EOT_S, CLOSE}, "CaCaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/passwd", 1024}}},
    {"ClimbingName", {Header("a/../../b", "5")}, "CaC", RESULT_TIMEOUT, {{"dest", 0}, {"dest/b", 0}}},
    {"SubdirMissing", {Header("nosub/x", "1"), Block(1, "z"), EOT_S}, "CaCaaC", RESULT_TIMEOUT, {{"dest", 0}, {"dest/x", 1}}},
    {"SubdirExisting", {Header("sub/x", "1"), Block(1, "z"), EOT_S}, "CaCaaC", RESULT_TIMEOUT, {{"dest", 0}, {"dest/sub", 0}, {"dest/x", 1}}},
    {"NewlineInName", {Header("a\nb", "1")}, "Cxx", RESULT_ENDED, {{"dest", 0}, {"dest/sub", 0}}},
    {"DotDotOnly", {Header("..", "1")}, "Cxx", RESULT_ENDED, {{"dest", 0}}},
    {"LinkInTheWay", {Header("link", "1"), Block(1, "q"), EOT_S, CLOSE}, "CaCaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/link", 0}, {"dest/link1", 1}}},
    {"FourGigabytes", {Header("big", "4294967296"), Block(1, B1), Block(2, B2), EOT_S, CLOSE}, "CaCaaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/big", 2048}}},
    {"NoLength", {Header("n"), Block(1, B1), Block(2, "xy"), EOT_S, CLOSE}, "CaCaaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/n", 1152}}},
    {"RepeatedBlock", {Header("r", "2000"), Block(1, B1), Block(1, B1), Block(2, B2), EOT_S, CLOSE}, "CaCaaaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/r", 2000}}},
    {"OutOfSequence", {Header("s", "9"), Block(3, B1)}, "CaCx", RESULT_TIMEOUT, {{"dest", 0}, {"dest/s", 0}}},
    {"TruncatedBlock", {Header("t", "2048"), Block(1, B1).substr(0, 600)}, "CaC", RESULT_TIMEOUT, {{"dest", 0}, {"dest/t", 0}}},
    {"DataBeforeHeader", {Block(1, B1), Header("h", "1"), Block(1, "h"), EOT_S, CLOSE}, "CnaCaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/h", 1}}},
    {"CancelMidway", {Header("c", "3000"), Block(1, B1), Wire("xx")}, "CaCa", RESULT_CANCELLED, {{"dest", 0}, {"dest/c", 1024}}},
    {"DoubledByte", {Header("d", "4"), Block(1, "abcd").insert(40, "z"), Block(1, "abcd"), EOT_S, CLOSE}, "CaCnaaCa", RESULT_SUCCESS, {{"dest", 0}, {"dest/d", 4}}},
    {"BadCrc", {Header("k", "3"), Block(1, "abc").substr(0, 132) + "\x01\x02"}, "CaCn", RESULT_TIMEOUT, {{"dest", 0}, {"dest/k", 0}}},
};
// clang-format on

class HostileSender : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileSender, StaysInsideAndEndsAsExpected)
{
    const HostileCase& c = GetParam();
    SCOPED_TRACE(c.name);
    TempDir dir;
    fs::create_directory(dir.Path() / "dest");
    if (std::string(c.name) == "SubdirExisting" || std::string(c.name) == "NewlineInName")
        fs::create_directory(dir.Path() / "dest/sub");
    if (std::string(c.name) == "LinkInTheWay")
        fs::create_symlink("../outside", dir.Path() / "dest/link");
    CRecordingObserver observer;
    CDiskStore store(dir.File("dest"), {});
    CBlockReceiver receiver(observer, PROTOCOL_YMODEM, store);
    TransferTime now = 0;
    receiver.Start(now);
    std::string answers = Take(receiver);
    for (const auto& piece : c.script) {
        now += 100;
        Feed(receiver, piece, now);
        answers += Take(receiver);
    }
    RunClock(receiver, now, now + 60000);
    store.Close();
    EXPECT_EQ(answers, Wire(c.answers));
    EXPECT_EQ(receiver.Done() ? receiver.Result() : -1, c.result);
    EXPECT_EQ(Tree(dir.Path()), c.tree);
}

INSTANTIATE_TEST_SUITE_P(YModem, HostileSender, ::testing::ValuesIn(HOSTILE), test::RowName);

TEST(XModemReceiver, KeepsPaddingAndSkipsRepeatsAcceptsBothBlockSizes)
{
    FileReceiver r(PROTOCOL_XMODEM);
    auto& receiver = r.receiver;
    Feed(receiver, Block(1, "ab"), 10);
    Feed(receiver, Block(1, "ab"), 20);
    Feed(receiver, Block(2, B1), 30);
    Feed(receiver, EOT_S, 40);
    r.store.Close();
    EXPECT_EQ(Take(receiver), Wire("Caaaa"));
    EXPECT_EQ(receiver.Result(), RESULT_SUCCESS);
    EXPECT_TRUE(ReadFileBytes(r.dir.File("r")) == "ab" + std::string(126, '\0') + B1);
    EXPECT_EQ(r.observer.Steady(),
              (std::vector<Notification>{{8, 0}, {2, 0}, {10, 0}, {4, 2}, {7, 128}, {5, 0}, {7, 1152}, {5, 0}}));
}

// Found by the fuzz target: the frame outgrew its buffer when the fall-back
// came while a CRC block was half collected.
TEST(XModemReceiver, FallBackDropsAHalfCollectedCrcBlock)
{
    FileReceiver r(PROTOCOL_XMODEM);
    auto& receiver = r.receiver;
    Feed(receiver, Block(1, B1).substr(0, 1028), 100);
    std::string answers = Take(receiver);
    for (const auto& piece : RunClock(receiver, 100, 12000))
        answers += piece.second;
    Feed(receiver, Block(1, "late", false), 12100);
    answers += Take(receiver);
    r.store.Close();
    EXPECT_EQ(answers, Wire("CCCna"));
    EXPECT_TRUE(ReadFileBytes(r.dir.File("r")) == "late" + std::string(124, '\0'));
}

// Once blocks flow, silence brings a NAK, never another 'C' (a sender takes
// that 'C' as a NAK of its next block and falls out of step with the answers).
TEST(XModemReceiver, NoMoreCOnceBlocksFlow)
{
    FileReceiver r(PROTOCOL_XMODEM);
    auto& receiver = r.receiver;
    Feed(receiver, Block(1, "a"), 100);
    EXPECT_EQ(Take(receiver), Wire("Ca"));
    const auto later = RunClock(receiver, 100, 4000);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0], std::make_pair(TransferTime{4000}, Wire("n")));
}

TEST(YModemReceiver, NotesOfAFile)
{
    TempDir dir;
    CRecordingObserver observer;
    CDiskStore store(dir.Path().string(), {});
    CBlockReceiver receiver(observer, PROTOCOL_YMODEM, store);
    receiver.Start(0);
    // The second file ends after 1024 of the 4096 bytes its header announced.
    for (const auto& piece : {Header("n", "1500"), Block(1, B1), Block(2, B2), EOT_S, Header("s", "4096"), Block(1, B1),
                              EOT_S, CLOSE})
        Feed(receiver, piece, 10);
    EXPECT_EQ(receiver.Result(), RESULT_SUCCESS);
    // clang-format off
    EXPECT_EQ(observer.Steady(), (std::vector<Notification>{{8, 0}, {10, 2}, {4, 2}, {5, 0}, {3, 1500}, {2, 0}, {7, 1024}, {5, 0}, {7, 1500}, {5, 0},
                                                            {5, 0}, {3, 4096}, {2, 0}, {7, 2524}, {5, 0}, {TRANSFER_FILE_SHORT, 1024}, {5, 0}}));
    // clang-format on
}

// 'C' at once, again after more than 3 s of silence (whole seconds), twice,
// then the fall-back NAK; ten NAKs later the receiver gives up.
struct StartTiming {
    TransferTime start;
    std::vector<TransferTime> times; // of 'C', 'C', 'C', NAK
};

void PrintTo(const StartTiming& c, std::ostream* os) { *os << "start " << c.start; }

class ReceiverTiming : public ::testing::TestWithParam<StartTiming> {};

TEST_P(ReceiverTiming, AsksThreeTimesThenFallsBackThenGivesUp)
{
    const auto& [start, times] = GetParam();
    FileReceiver r(PROTOCOL_XMODEM_1K, start);
    auto& receiver = r.receiver;
    std::vector<std::pair<TransferTime, std::string>> written{{start, Take(receiver)}};
    for (auto& piece : RunClock(receiver, start, start + 100000))
        written.push_back(piece);
    ASSERT_EQ(written.size(), 14u);
    EXPECT_EQ((std::vector<TransferTime>{written[0].first, written[1].first, written[2].first, written[3].first}),
              times);
    EXPECT_EQ(written[2].second + written[3].second, Wire("Cn"));
    EXPECT_GE(times[3] - start, 9000);
    EXPECT_LE(times[3] - start, 12000);
    EXPECT_EQ(written[13].first, times[3] + 40000);
    EXPECT_EQ(receiver.Result(), RESULT_TIMEOUT);
    std::vector<Notification> expected{{8, 0}, {2, 0}, {10, 1}, {4, 2}, {4, 1}};
    for (std::uint64_t n = 1; n <= 10; ++n)
        expected.insert(expected.end(), {{5, n}, {6, n}});
    EXPECT_EQ(r.observer.Steady(), expected);
}

INSTANTIATE_TEST_SUITE_P(Starts, ReceiverTiming,
                         ::testing::Values(StartTiming{0, {0, 4000, 8000, 12000}},
                                           StartTiming{999, {999, 4000, 8000, 12000}},
                                           StartTiming{1000, {1000, 5000, 9000, 13000}},
                                           StartTiming{1999, {1999, 5000, 9000, 13000}}));

// A sender fed the answers of a receiver; the notifications of a whole
// transfer of a 130-byte file, per protocol.
struct SenderCase {
    const char* name;
    int protocol;
    std::vector<std::string> answers;
    std::vector<Notification> notes;
    std::size_t lineBytes;
};

// clang-format off
const SenderCase SENDER_CASES[] = {
    {"XModemChecksum", PROTOCOL_XMODEM, {"n", "a", "a", "a"}, {{3, 130}, {10, 0}, {4, 0}, {8, 0}, {7, 128}, {7, 130}}, 2 * 132 + 1},
    {"XModemCrc", PROTOCOL_XMODEM, {"C", "aC", "a", "a"}, {{3, 130}, {10, 0}, {4, 0}, {8, 0}, {4, 2}, {7, 128}, {7, 130}}, 2 * 133 + 1},
    {"XModem1k", PROTOCOL_XMODEM_1K, {"C", "n", "a", "a"}, {{3, 130}, {10, 1}, {4, 0}, {8, 0}, {4, 2}, {5, 1}, {6, 1}, {7, 130}}, 2 * 1029 + 1},
    {"YModem", PROTOCOL_YMODEM, {"C", "aC", "a", "aC", "a"}, {{3, 130}, {10, 2}, {4, 0}, {8, 0}, {4, 2}, {7, 0}, {7, 130}, {4, 2}}, 3 * 1029 + 1},
};
// clang-format on

class SenderNotes : public ::testing::TestWithParam<SenderCase> {};

TEST_P(SenderNotes, WholeTransfer)
{
    const SenderCase& c = GetParam();
    const std::string data = RandomBytes(130, 3);
    FileSender f(c.protocol, data);
    ASSERT_TRUE(f.opened);
    auto& sender = f.sender;
    sender.Start(0);
    std::string line;
    for (const auto& answer : c.answers) {
        Feed(sender, Wire(answer), 10);
        line += Take(sender);
    }
    EXPECT_EQ(sender.Result(), RESULT_SUCCESS);
    EXPECT_EQ(f.observer.Steady(), c.notes);
    EXPECT_EQ(line.size(), c.lineBytes);
    if (c.protocol == PROTOCOL_YMODEM) {
        EXPECT_EQ(line.substr(0, 13), "\x02\x00\xFF"
                                      "f.bin\0"
                                      "130\0"s);
    } else if (c.protocol == PROTOCOL_XMODEM) {
        const std::string second = line.substr((line.size() - 1) / 2, 131); // the padded tail block
        EXPECT_EQ(second, std::string("\x01\x02\xFD", 3) + data.substr(128) + std::string(126, '\0'));
    }
}

INSTANTIATE_TEST_SUITE_P(Protocols, SenderNotes, ::testing::ValuesIn(SENDER_CASES), test::RowName);

TEST(BlockSender, NumbersWrapAndEveryByteGoesOutOnce)
{
    const std::string data = RandomBytes(300 * 128 + 5, 9);
    FileSender f(PROTOCOL_XMODEM, data);
    ASSERT_TRUE(f.opened);
    auto& sender = f.sender;
    sender.Start(0);
    Feed(sender, "C", 0);
    std::string payload, numbers;
    for (std::string block = Take(sender); block.size() == 133; block = Take(sender)) {
        numbers += block[1];
        payload += block.substr(3, 128);
        Feed(sender, ACK_S, 0);
    }
    EXPECT_TRUE(payload == data + std::string(123, '\0'));
    ASSERT_EQ(numbers.size(), 301u);
    EXPECT_EQ(std::string(numbers.substr(254, 3)), std::string("\xFF\x00\x01", 3));
}

TEST(BlockSender, SilenceEndsAfterSixtySecondsAndEchoAfterFive)
{
    FileSender f(PROTOCOL_XMODEM, "data");
    ASSERT_TRUE(f.opened);
    auto& silent = f.sender;
    silent.Start(500);
    RunClock(silent, 500, 200000);
    EXPECT_EQ(silent.Result(), RESULT_TIMEOUT);
    EXPECT_EQ(silent.NextDeadline(), NO_DEADLINE);
    CBlockSender zim(f.observer, PROTOCOL_XMODEM_ZIM, f.file);
    zim.Start(0);
    Feed(zim, "C", 1000);
    EXPECT_EQ(Take(zim).size(), 133u);
    Feed(zim, std::string(100, 'C'), 1500); // part of the echo, never taken as requests
    RunClock(zim, 1500, 5999);
    EXPECT_FALSE(zim.Done());
    RunClock(zim, 5999, 6000);
    EXPECT_EQ(zim.Result(), RESULT_TIMEOUT);
}

TEST(BlockSender, EmptyFileAndFileShortenedMidway)
{
    TempDir dir;
    WriteFileBytes(dir.File("e"), "");
    WriteFileBytes(dir.File("g"), RandomBytes(20000, 4));
    CFileSource empty, shrinking;
    ASSERT_TRUE(empty.Open(dir.File("e")) && shrinking.Open(dir.File("g")));
    CRecordingObserver observer;
    CBlockSender sender(observer, PROTOCOL_XMODEM_1K, empty);
    sender.Start(0);
    EXPECT_EQ(sender.Result(), RESULT_ENDED);
    EXPECT_EQ(observer.Steady(), (std::vector<Notification>{{3, 0}, {10, 1}, {4, 0}, {11, 2}}));
    CBlockSender cut(observer, PROTOCOL_XMODEM_1K, shrinking);
    cut.Start(0);
    Feed(cut, "C", 0);
    fs::resize_file(dir.File("g"), 100);
    for (int i = 0; i < 8; ++i)
        Feed(cut, ACK_S, 0);
    EXPECT_EQ(Take(cut).substr(8 * 1029), Wire("xx"));
    EXPECT_EQ(cut.Result(), RESULT_ENDED);
    EXPECT_EQ(observer.Steady().back(), (Notification{11, 1}));
}

// How a send starts: on a request the terminal saw before, and when a 'C'
// repeats while a first block (header, block 1, closing header) is
// unanswered. Sizes of what went out.
struct StartCase {
    const char* name;
    int protocol;
    char assumed;
    std::vector<std::pair<TransferTime, std::string>> answers; // Wire() letters at a time
    std::vector<std::size_t> out;                              // bytes out at start, then per answer
};

// clang-format off
const StartCase START_CASES[] = {
    {"WaitsWithoutRequest", PROTOCOL_XMODEM_1K, 0, {{100, "C"}}, {0, 1029}},
    {"AssumedCSendsCrcAtOnce", PROTOCOL_XMODEM_1K, 'C', {}, {1029}},
    {"AssumedNakSendsChecksum", PROTOCOL_XMODEM, NAK, {}, {132}},
    {"AssumedCStartsYModemHeader", PROTOCOL_YMODEM, 'C', {{50, "a"}}, {1029, 1029}},
    {"CrossingCIsNoRequest", PROTOCOL_XMODEM_1K, 'C', {{500, "C"}}, {1029, 0}},
    {"LateCAsksAgain", PROTOCOL_XMODEM_1K, 0, {{0, "C"}, {3000, "C"}, {6500, "C"}}, {0, 1029, 1029, 1029}},
    {"CAfterFirstAckIsNoRequest", PROTOCOL_XMODEM, 0, {{0, "C"}, {10, "a"}, {5000, "C"}}, {0, 133, 133, 0}},
    {"CSoonAfterADamagedBlock1", PROTOCOL_XMODEM_1K, 0, {{0, "C"}, {1200, "C"}, {1300, "n"}}, {0, 1029, 1029, 1029}},
    {"CAfterHeaderAsksBlock1Again", PROTOCOL_YMODEM, 0, {{0, "C"}, {10, "aC"}, {2600, "C"}, {2700, "a"}, {4000, "C"}}, {0, 1029, 1029, 1029, 1029, 0}},
    {"CAfterLastEotAsksClosingAgain", PROTOCOL_YMODEM, 0, {{0, "C"}, {10, "aC"}, {20, "a"}, {30, "a"}, {40, "a"}, {50, "a"}, {60, "a"}, {70, "C"}, {3000, "Ca"}}, {0, 1029, 1029, 1029, 1029, 1029, 1, 0, 1029, 1029}},
};
// clang-format on


class SenderStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(SenderStart, BlocksGoOutOnceAsked)
{
    const StartCase& c = GetParam();
    FileSender f(c.protocol, RandomBytes(4000, 5));
    ASSERT_TRUE(f.opened);
    auto& sender = f.sender;
    sender.AssumeRequest(static_cast<std::uint8_t>(c.assumed));
    sender.Start(0);
    std::vector<std::size_t> out{Take(sender).size()};
    for (const auto& [at, answer] : c.answers) {
        Feed(sender, Wire(answer), at);
        out.push_back(Take(sender).size());
    }
    EXPECT_EQ(out, c.out);
}

INSTANTIATE_TEST_SUITE_P(Requests, SenderStart, ::testing::ValuesIn(START_CASES), test::RowName);

TEST(ReceiverRequestWatch, OnlyAFreshLoneRequestCounts)
{
    struct Case {
        std::vector<std::string> blocks;
        TransferTime takenAt;
        std::uint8_t request;
    };
    // clang-format off
    const Case cases[] = {
        {{"rx ready\r\n", "C"}, 100, 'C'}, {{"\x15"}, 100, NAK}, {{"CC"}, 100, 'C'}, {{"line\r\nC"}, 100, 'C'},
        {{"C"}, 10001, 0}, {{"ABC"}, 100, 0}, {{"AB", "C"}, 100, 0}, {{"C", "\r\n"}, 100, 0}, {{}, 100, 0},
    };
    // clang-format on
    for (const Case& c : cases) {
        CReceiverRequestWatch watch;
        for (const std::string& block : c.blocks)
            watch.Observe(reinterpret_cast<const std::uint8_t*>(block.data()), block.size(), 0);
        EXPECT_EQ(watch.Take(c.takenAt), c.request) << ::testing::PrintToString(c.blocks);
        EXPECT_EQ(watch.Take(c.takenAt), 0) << "used up";
    }
}

// A link or a file planted under the name the store chose, after it chose it,
// is neither followed nor replaced: the file goes under the next free name, or
// the create fails when the chooser insists on that name.
TEST(DiskStore, SomethingPlantedUnderTheChosenNameStaysUntouched)
{
    for (const bool link : {true, false}) {
        TempDir dir;
        fs::create_directory(dir.Path() / "dest");
        WriteFileBytes(dir.File("outside"), "keep");
        const auto plant = [&](const std::string& path) {
            link ? fs::create_symlink(dir.File("outside"), path) : WriteFileBytes(path, "keep");
            return path;
        };
        CDiskStore store(dir.File("dest"), {});
        store.SetNameChooser([&, planted = false](const std::string& path) mutable {
            return std::exchange(planted, true) ? MakeUniqueFileName(path) : plant(path);
        });
        std::string written;
        ASSERT_TRUE(store.Create("fw.bin", written) && store.Write(reinterpret_cast<const std::uint8_t*>("new"), 3));
        store.Close();
        store.SetNameChooser([](const std::string& path) { return path; });
        EXPECT_FALSE(store.Create("fw.bin", written));
        EXPECT_EQ(written, dir.File("dest/fw1.bin"));
        EXPECT_EQ(ReadFileBytes(written) + ReadFileBytes(dir.File("dest/fw.bin")) + ReadFileBytes(dir.File("outside")),
                  "newkeepkeep");
        EXPECT_EQ(fs::is_symlink(dir.File("dest/fw.bin")), link);
    }
}

TEST(Throughput, AverageUntilTenSamplesThenLastTenSeconds)
{
    CThroughput rate;
    std::vector<std::uint64_t> shown;
    for (int second = 0; second < 12; ++second)
        shown.push_back(rate.Sample(5000));
    EXPECT_EQ(shown, (std::vector<std::uint64_t>{5000, 2500, 1666, 1250, 1000, 833, 714, 625, 555, 500, 0, 0}));
}

TEST(Naming, UniqueNamesAndSafeRemoteNames)
{
    TempDir dir;
    for (const char* name : {"data.bin", "data1.bin", "a.tar.gz", "log", "d.d"})
        WriteFileBytes(dir.File(name), "x");
    fs::create_directory(dir.Path() / "v.1");
    WriteFileBytes(dir.File("v.1/log"), "x");
    // clang-format off
    const std::map<std::string, std::string> unique {{"data.bin", "data2.bin"}, {"a.tar.gz", "a1.tar.gz"}, {"log", "log1"}, {"v.1/log", "v.1/log1"}, {"new.txt", "new.txt"}};
    const std::map<std::string, std::string> safe {{"../x", "x"}, {"/etc/passwd", "passwd"}, {"C:\\up\\fw.hex", "fw.hex"}, {"a/../../b", "b"}, {"..", ""}, {".", ""},
                                                   {"dir/", ""}, {"", ""}, {"bad\nname", ""}, {"del\x7F", ""}, {std::string(256, 'n'), ""},
                                                   {"csi\x9B" "2J", ""}, {"utf8\xC2\x9B" "2J", ""}, {"caf\xC3\xA9", "caf\xC3\xA9"}, {"latin\xE9", "latin\xE9"}};
    // clang-format on
    for (const auto& [in, out] : unique)
        EXPECT_EQ(MakeUniqueFileName(dir.File(in)), dir.File(out)) << in;
    for (const auto& [in, out] : safe)
        EXPECT_EQ(SafeReceiveName(in).value_or(""), out) << in;
    EXPECT_EQ(Crc16(reinterpret_cast<const std::uint8_t*>("123456789"), 9), 0x31C3);
}

} // namespace
} // namespace kestrelon::test
