// The .kst stream: the exact layout written, every length form, lossless round
// trips, and what reading does with values and lengths a file should not hold.
#include "document/KstArchive.h"
#include "document/ChangedSettings.h"
#include "document/KstBytes.h"
#include "document/KestronDoc.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace kestrelon;
using kestrelon::test::EverythingChanged;
using kestrelon::test::KstBytes;

namespace {

// The file of a new document, item by item as the format lays it out.
std::string NewDocumentFile()
{
    KstBytes b;
    b.U32(5).U32(1).U32(0).U32(0).U32(0).U32(0).U32(1).U32(1).U32(0); // items 1 to 9
    b.Str("Terminal");
    b.U32(12).U32(80).U32(1000).U32(2000).U32(1).U32(0).U32(0); // items 11 to 17
    b.Zeros(14 * 4);
    b.Raw(kestrelon::test::DefaultDcbBytes()).Raw(kestrelon::test::DefaultFontBytes());
    b.Zeros(200);           // 100 empty labels and commands
    b.Zeros(8);             // 8 empty reserved strings
    b.U32(0).U32(0).U16(0); // answers off, no echo, empty list
    b.U32(0).U32(23).Str("localhost");
    b.U32(0).U32(1818).Str("localhost");
    b.Zeros(12);
    b.U32(0).U32(0);
    return b.Bytes();
}

TEST(KstLayout, NewDocumentIs491BytesInTheFileLayout)
{
    CKestronDoc doc;
    doc.OnNewDocument();
    const std::string written = CKstArchive::SaveToBytes(doc);
    EXPECT_EQ(written.size(), 491u);
    EXPECT_EQ(written, NewDocumentFile());
}

// What reading `file` over `into` gives, and the schema it reports; a refused
// file fails the test.
CSavedSettings ReadBack(const std::string& file, CSavedSettings into = {}, std::uint32_t* schema = nullptr)
{
    std::uint32_t read = 0;
    CKstError error;
    EXPECT_TRUE(CKstArchive::Read(file, into, read, error)) << error.Describe();
    if (schema)
        *schema = read;
    return into;
}

// The bytes that give a string's length (of reservedText4, the first string in
// the file, at byte 36) or a list's count (of the answers, at byte 433 in a file
// with empty strings).
struct LengthForm {
    bool list;
    std::size_t length;
    std::string prefix;
};
std::string FormName(const LengthForm& c)
{
    return (c.list ? "Count" : "Length") + std::to_string(c.length);
}
void PrintTo(const LengthForm& c, std::ostream* os)
{
    *os << FormName(c);
}

class LengthFormTest : public ::testing::TestWithParam<LengthForm> {};

TEST_P(LengthFormTest, IsWrittenAndReadBack)
{
    const LengthForm& c = GetParam();
    CSavedSettings s = CSavedSettings::Defaults();
    if (c.list)
        s.autoAnswers.assign(c.length, "a");
    else
        s.reservedText4 = std::string(c.length, 'q');
    const std::string file = CKstArchive::Write(s);
    EXPECT_EQ(file.substr(c.list ? 433 : 36, c.prefix.size()), c.prefix);
    // In place of "Terminal" with its length byte, or of the empty list's count;
    // each answer "a" takes two bytes.
    EXPECT_EQ(file.size(), 491u - (c.list ? 2 : 9) + c.prefix.size() + c.length * (c.list ? 2 : 1));
    EXPECT_EQ(ReadBack(file, CSavedSettings::Defaults(4)), s);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Forms, LengthFormTest,
    ::testing::Values(LengthForm{false, 0, std::string(1, '\0')}, LengthForm{false, 254, "\xFE"},
                      LengthForm{false, 255, std::string("\xFF\xFF\x00", 3)}, LengthForm{false, 65533, "\xFF\xFD\xFF"},
                      LengthForm{false, 65534, std::string("\xFF\xFF\xFF\xFE\xFF\x00\x00", 7)},
                      LengthForm{false, 70000, std::string("\xFF\xFF\xFF\x70\x11\x01\x00", 7)},
                      LengthForm{true, 1, std::string("\x01\x00", 2)}, LengthForm{true, 0xFFFE, "\xFE\xFF"},
                      LengthForm{true, 0xFFFF, std::string("\xFF\xFF\xFF\xFF\x00\x00", 6)},
                      LengthForm{true, 70000, std::string("\xFF\xFF\x70\x11\x01\x00", 6)}),
    [](const auto& info) { return FormName(info.param); });
// clang-format on

TEST(KstRoundTrip, DocumentWithEveryFieldChangedLoadsBackEqual)
{
    CKestronDoc original;
    original.OnNewDocument();
    original.AdoptLoadedSettings(EverythingChanged(70000));
    const std::string file = CKstArchive::SaveToBytes(original);

    CKestronDoc loaded;
    loaded.OnNewDocument();
    CKstError error;
    ASSERT_TRUE(CKstArchive::LoadFromBytes(loaded, file, error)) << error.Describe();
    EXPECT_TRUE(loaded.SavedSettings() == original.SavedSettings());
    EXPECT_EQ(loaded.autoAnswerTriggers, original.autoAnswerTriggers);
    EXPECT_EQ(loaded.autoAnswerTriggers.size(), 35000u);
    EXPECT_EQ(CKstArchive::SaveToBytes(loaded), file);
}

struct RangeCase {
    const char* name;
    void (*set)(CSavedSettings&);
    void (*expect)(CSavedSettings&); // applied to the written settings to give what loads
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class LoadRangeTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(LoadRangeTest, ValuesAreBroughtIntoRange)
{
    CSavedSettings written = CSavedSettings::Defaults();
    GetParam().set(written);
    CSavedSettings expected = written;
    GetParam().expect(expected);
    std::uint32_t schema = 0;
    EXPECT_TRUE(ReadBack(CKstArchive::Write(written), {}, &schema) == expected);
    EXPECT_EQ(schema, 5u);
}

#define RANGE_CASE(name, assign, result)                                                                               \
    RangeCase                                                                                                          \
    {                                                                                                                  \
        name, [](CSavedSettings& s) { assign; }, [](CSavedSettings& s) { result; }                                     \
    }
INSTANTIATE_TEST_SUITE_P(Limits, LoadRangeTest,
                         ::testing::Values(RANGE_CASE("LinesNegative", s.screenLines = -5, s.screenLines = 25),
                                           RANGE_CASE("LinesHuge", s.screenLines = 0x7FFFFFFF, s.screenLines = 1000000),
                                           RANGE_CASE("LinesLowestKept", s.screenLines = 25, (void)s),
                                           RANGE_CASE("LinesHighestKept", s.screenLines = 1000000, (void)s),
                                           RANGE_CASE("ColumnsNegative", s.screenColumns = -80, s.screenColumns = 40),
                                           RANGE_CASE("ColumnsHuge", s.screenColumns = 100000, s.screenColumns = 999),
                                           RANGE_CASE("CommModeSeven", s.commMode = 7, s.commMode = 0),
                                           RANGE_CASE("CommModeSixKept", s.commMode = 6, (void)s),
                                           RANGE_CASE("BridgeModeFour", s.bridgeMode = 4, s.bridgeMode = 0),
                                           RANGE_CASE("BridgeModeThreeKept", s.bridgeMode = 3, (void)s),
                                           RANGE_CASE("ProtocolFive", s.transferProtocol = 5, s.transferProtocol = 0),
                                           RANGE_CASE("ProtocolFourKept", s.transferProtocol = 4, (void)s),
                                           RANGE_CASE("IpPort65536", s.ipPort = 65536, s.ipPort = 23),
                                           RANGE_CASE("IpPort65535Kept", s.ipPort = 65535, (void)s),
                                           RANGE_CASE("BridgePort70000IsNotTheNewDefault", s.bridgePort = 70000,
                                                      s.bridgePort = 2300),
                                           RANGE_CASE("ComPortNotLimited", s.comPort = 100000, (void)s)),
                         [](const auto& info) { return std::string(info.param.name); });
#undef RANGE_CASE

TEST(KstRead, BooleanWordsOtherThanOneAreTrue)
{
    std::string file = CKstArchive::Write(CSavedSettings::Defaults());
    file[12] = '\x02';     // crToCrLfOnSend
    file[16 + 3] = '\x80'; // crToCrLfOnReceive, high byte only
    const CSavedSettings read = ReadBack(file);
    EXPECT_TRUE(read.crToCrLfOnSend);
    EXPECT_TRUE(read.crToCrLfOnReceive);
}

TEST(KstSchemas, NewerSchemaReadsLikeTheNewestAndReportsItsNumber)
{
    std::string file = CKstArchive::Write(CSavedSettings::Defaults(3));
    file[0] = 9;
    std::uint32_t schema = 0;
    EXPECT_TRUE(ReadBack(file + "trailing bytes", {}, &schema) == CSavedSettings::Defaults(3));
    EXPECT_EQ(schema, 9u);
}

struct DamageCase {
    const char* name;
    std::string file;
    std::string message;
    std::int64_t offset;
};
void PrintTo(const DamageCase& c, std::ostream* os) { *os << c.name; }

class DamagedFileTest : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedFileTest, IsRefusedWithReasonAndOffset)
{
    CSavedSettings read = CSavedSettings::Defaults(3);
    const CSavedSettings before = read;
    std::uint32_t schema = 77;
    CKstError error;
    EXPECT_FALSE(CKstArchive::Read(GetParam().file, read, schema, error));
    EXPECT_EQ(error.message, GetParam().message);
    EXPECT_EQ(error.offset, GetParam().offset);
    EXPECT_TRUE(read == before);
    EXPECT_EQ(schema, 77u);
}

// A file of schema 5 up to the first string, which then has `prefix`.
std::string WithFirstString(const std::string& prefix)
{
    return KstBytes().U32(5).Zeros(32).Raw(prefix).Zeros(60).Bytes();
}

// A file whose answer list starts with `prefix`.
std::string WithAnswerList(const std::string& prefix)
{
    return CKstArchive::Write(CSavedSettings::Defaults()).substr(0, 433) + prefix;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, DamagedFileTest,
    ::testing::Values(
        DamageCase{"Empty", "", "file ends inside the schema number (4 bytes needed, 0 left)", 0},
        DamageCase{"OnlySchema", KstBytes().U32(1).Bytes(), "file ends inside comPort (4 bytes needed, 0 left)", 4},
        DamageCase{"StringLengthOfFourGigabytes", WithFirstString("\xFF\xFF\xFF\xFF\xFF\xFF\xFF"), "length 4294967295 of reservedText4 exceeds the 60 bytes left in the file", 36},
        DamageCase{"WideStringMarker", WithFirstString("\xFF\xFE\xFF"), "unsupported length marker 0xFFFE in reservedText4", 36},
        DamageCase{"ListCountOfFourBillion", WithAnswerList("\xFF\xFF\xFF\xFF\xFF\xFF"), "count 4294967295 of autoAnswers exceeds the 0 bytes left in the file", 433},
        DamageCase{"ListCountAboveStringsLeft", WithAnswerList(std::string("\x03\x00\x00\x00", 4)), "count 3 of autoAnswers exceeds the 2 bytes left in the file", 433},
        DamageCase{"ListEntryCut", WithAnswerList(std::string("\x02\x00\x05xy", 5)), "length 5 of autoAnswers entry 0 exceeds the 2 bytes left in the file", 435},
        DamageCase{"CutInsideSerialSettings", CKstArchive::Write(CSavedSettings::Defaults()).substr(0, 150), "file ends inside the serial line settings (28 bytes needed, 21 left)", 129}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

class RecordingView : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint&) override { ++hints; }
    int hints = 0;
};

// Every cut of a valid file fails and leaves the document exactly as it was,
// with nothing told to the views.
TEST(KstLoad, EveryTruncationFailsAndLeavesTheDocumentUnchanged)
{
    const std::string file = CKstArchive::Write(EverythingChanged(4));
    CKestronDoc doc;
    doc.OnNewDocument();
    doc.comPort = 2;
    RecordingView view;
    doc.AddView(&view);
    const CSavedSettings before = doc.SavedSettings();
    for (std::size_t length = 0; length < file.size(); length += length < 2000 ? 1 : 997) {
        CKstError error;
        ASSERT_FALSE(CKstArchive::LoadFromBytes(doc, std::string_view(file).substr(0, length), error)) << length;
        ASSERT_LE(error.offset, static_cast<std::int64_t>(length));
        ASSERT_TRUE(doc.SavedSettings() == before) << "changed by a file cut at " << length;
    }
    EXPECT_EQ(view.hints, 0);
    CKstError error;
    ASSERT_TRUE(CKstArchive::LoadFromBytes(doc, file, error));
    EXPECT_EQ(view.hints, 1);
}

// A flipped bit either breaks the file (nothing changes) or gives values that
// the program can use.
TEST(KstLoad, RandomBitFlipsNeverLeaveUnusableOrHalfLoadedSettings)
{
    CSavedSettings settings = CSavedSettings::Defaults();
    settings.autoAnswers = {"OK", "AT", "RING", "ATA"};
    settings.fkeyLabel[5] = std::string(300, 'k');
    const std::string file = CKstArchive::Write(settings);
    std::mt19937 random(20261206);
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string damaged = file;
        for (int flips = 1 + round % 3; flips > 0; --flips) {
            const std::size_t bit = random() % (damaged.size() * 8);
            damaged[bit / 8] = char(damaged[bit / 8] ^ (1 << (bit % 8)));
        }
        CKestronDoc doc;
        doc.OnNewDocument();
        const CSavedSettings before = doc.SavedSettings();
        CKstError error;
        if (!CKstArchive::LoadFromBytes(doc, damaged, error)) {
            ++refused;
            ASSERT_TRUE(doc.SavedSettings() == before);
            continue;
        }
        ASSERT_GE(doc.screenColumns, SCREEN_COLUMNS_MIN);
        ASSERT_LE(doc.screenColumns, SCREEN_COLUMNS_MAX);
        ASSERT_GE(doc.screenLines, SCREEN_LINES_MIN);
        ASSERT_LE(doc.screenLines, SCREEN_LINES_MAX);
        ASSERT_LE(doc.commMode, COMM_MODE_MAX);
        ASSERT_LE(doc.bridgeMode, BRIDGE_MODE_MAX);
        ASSERT_LE(doc.transferProtocol, TRANSFER_PROTOCOL_MAX);
        ASSERT_LE(doc.ipPort, IP_PORT_MAX);
        ASSERT_LE(doc.bridgePort, IP_PORT_MAX);
    }
    EXPECT_GT(refused, 0);
}

} // namespace
