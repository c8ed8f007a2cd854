// .kst files on disk: files of the older schemas built byte by byte, and saving
// that never destroys the file that was there.
#include "document/KstBytes.h"
#include "document/KestronDoc.h"
#include "document/KstArchive.h"
#include "document/Messages.h"
#include "framework/PumpedTarget.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace kestrelon;
using kestrelon::test::KstBytes;
using kestrelon::test::ReadFileBytes;
using kestrelon::test::TempDir;
using kestrelon::test::WriteFileBytes;

namespace {

class HintCounter : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint& h) override { lines.push_back(h.hint == HINT_NEW_SETTINGS ? h.lines : -1); }
    std::vector<std::int32_t> lines;
};

// The document that is open when an older file is loaded: everything a file of
// an older schema does not hold must keep these values.
CSavedSettings OpenBefore()
{
    CSavedSettings s = CSavedSettings::Defaults(6);
    for (std::size_t i = 0; i < FKEY_COUNT; ++i)
        s.fkeyLabel[i] = "keep" + std::to_string(i), s.fkeyCommand[i] = "cmd" + std::to_string(i);
    s.autoAnswers = {"x", "y"}, s.autoAnswerOn = true, s.autoAnswerEcho = 1;
    s.commMode = 3, s.ipServer = "old.example", s.ipPort = 7;
    s.bridgeMode = 2, s.bridgeServer = "bridge.old", s.bridgePort = 99;
    s.scanCommands = true, s.comPortManual = true;
    return s;
}

// Items 1 to 20 with values that differ from OpenBefore.
KstBytes Head(std::uint32_t schema)
{
    KstBytes b;
    b.U32(schema).U32(4).U32(0).U32(1).U32(0).U32(1).U32(1).U32(0).U32(0).Str("Old");
    b.U32(12).U32(100).U32(10).U32(2000).U32(1).U32(1).U32(0).Zeros(56);
    b.Raw(kestrelon::test::DefaultDcbBytes()).Raw(kestrelon::test::DefaultFontBytes());
    return b;
}

// What Head() changes in OpenBefore.
CSavedSettings WithHead(CSavedSettings s)
{
    s.comPort = 4, s.crToCrLfOnSend = true, s.localEcho = true, s.beep = false, s.reservedText4 = "Old";
    s.screenColumns = 100, s.screenLines = 25, s.transferProtocol = 1;
    return s;
}

// The 32 pairs of the old layout: four levels of eight keys.
void OldKeys(KstBytes& b, CSavedSettings& expected)
{
    for (int level = 0; level < 4; ++level)
        for (int key = 0; key < 8; ++key) {
            const std::string label = "L" + std::to_string(level) + std::to_string(key);
            b.Str(label).Str("C" + label.substr(1));
            expected.fkeyLabel[std::size_t(level * 10 + key)] = label;
            expected.fkeyCommand[std::size_t(level * 10 + key)] = "C" + label.substr(1);
        }
}

class OldSchemaTest : public ::testing::Test {
protected:
    void Load(const std::string& bytes)
    {
        doc.SetFrameTarget(&frame);
        doc.AdoptLoadedSettings(OpenBefore());
        frame.Pump();
        posted.clear();
        doc.AddView(&view);
        TempDir dir;
        WriteFileBytes(dir.File("old.kst"), bytes);
        CKstError error;
        ASSERT_TRUE(CKstArchive::Load(doc, dir.File("old.kst"), error)) << error.Describe();
        frame.Pump();
    }

    std::vector<std::uintptr_t> posted;
    CPumpedTarget frame{[this](CMessage& m) {
        posted.push_back(m.wParam);
        return std::intptr_t(0);
    }};
    CKestronDoc doc;
    HintCounter view;
};

TEST_F(OldSchemaTest, Schema0HoldsOnlyItsNumber)
{
    Load(KstBytes().U32(0).Bytes());
    EXPECT_TRUE(doc.SavedSettings() == OpenBefore());
    EXPECT_EQ(view.lines, std::vector<std::int32_t>{1000});
    EXPECT_EQ(posted, std::vector<std::uintptr_t>{TC_NEW_SETTINGS});
}

TEST_F(OldSchemaTest, Schema1PutsOldKeyLayoutAtLevelTimesTenPlusKey)
{
    CSavedSettings expected = WithHead(OpenBefore());
    KstBytes b = Head(1);
    OldKeys(b, expected);
    b.Zeros(8); // reserved strings
    Load(b.Bytes());
    EXPECT_TRUE(doc.SavedSettings() == expected);
    EXPECT_EQ((std::vector{doc.fkeyLabel[37], doc.fkeyLabel[38], doc.fkeyLabel[40], doc.fkeyCommand[49]}),
              (std::vector<std::string>{"L37", "keep38", "keep40", "cmd49"}));
    EXPECT_EQ(view.lines, std::vector<std::int32_t>{25});
}

TEST_F(OldSchemaTest, Schema2ReadsAnswersAndKeepsTheOpenConnection)
{
    CSavedSettings expected = WithHead(OpenBefore());
    KstBytes b = Head(2);
    OldKeys(b, expected);
    b.Zeros(8); // reserved strings
    b.U32(0).U32(5).U16(2).Str("OK").Str("ATH");
    expected.autoAnswerOn = false, expected.autoAnswerEcho = 5, expected.autoAnswers = {"OK", "ATH"};
    Load(b.Bytes());
    EXPECT_TRUE(doc.SavedSettings() == expected);
    EXPECT_EQ(doc.autoAnswerTriggers, std::vector<std::string>{"4B4F"});
    EXPECT_EQ(doc.ipServer, "old.example");
    EXPECT_EQ(doc.commMode, 3u);
}

TEST_F(OldSchemaTest, Schema4ReadsConnectionButNotScanCommands)
{
    CSavedSettings expected = WithHead(OpenBefore());
    KstBytes b = Head(4);
    for (std::size_t i = 0; i < FKEY_COUNT; ++i) {
        b.Str("n" + std::to_string(i)).Str("");
        expected.fkeyLabel[i] = "n" + std::to_string(i), expected.fkeyCommand[i] = "";
    }
    b.Zeros(8); // reserved strings
    b.U32(1).U32(0).U16(0);
    b.U32(4).U32(70000).Str("::1").U32(1).U32(70000).Str("peer").Zeros(12);
    expected.autoAnswerOn = true, expected.autoAnswerEcho = 0, expected.autoAnswers = {};
    expected.commMode = 4, expected.ipPort = 23, expected.ipServer = "::1";
    expected.bridgeMode = 1, expected.bridgePort = 2300, expected.bridgeServer = "peer";
    Load(b.Bytes());
    EXPECT_TRUE(doc.SavedSettings() == expected);
    EXPECT_TRUE(doc.scanCommands);
}

// A new document and a directory to save it in.
class KstDisk : public ::testing::Test {
protected:
    KstDisk() { doc.OnNewDocument(); }

    TempDir dir;
    CKestronDoc doc;
    CKstError error;
};

TEST_F(KstDisk, SaveAndLoadThroughRealFiles)
{
    doc.ipServer = "device.local";
    doc.SetModifiedFlag();
    ASSERT_TRUE(CKstArchive::Save(doc, dir.File("a.kst"), error)) << error.Describe();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadFileBytes(dir.File("a.kst")), CKstArchive::SaveToBytes(doc));

    CKestronDoc other;
    other.OnNewDocument();
    other.SetModifiedFlag();
    ASSERT_TRUE(CKstArchive::Load(other, dir.File("a.kst"), error)) << error.Describe();
    EXPECT_EQ(other.ipServer, "device.local");
    EXPECT_FALSE(other.IsModified());
}

TEST_F(KstDisk, MissingFileIsAnErrorWithoutOffset)
{
    doc.comPort = 12;
    EXPECT_FALSE(CKstArchive::Load(doc, dir.File("none.kst"), error));
    EXPECT_EQ(error.Describe(), "cannot open: No such file or directory");
    EXPECT_EQ(doc.comPort, 12u);
}

// A replaced file keeps its mode; a new one gets the mode of the user's umask.
TEST_F(KstDisk, SavingKeepsTheFilesModeOrTakesTheUmask)
{
    const std::string path = dir.File("keep.kst");
    WriteFileBytes(path, "old contents");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const mode_t previous = ::umask(077);
    const bool saved = CKstArchive::Save(doc, path, error) && CKstArchive::Save(doc, dir.File("new.kst"), error);
    ::umask(previous);
    ASSERT_TRUE(saved) << error.Describe();
    EXPECT_EQ(ReadFileBytes(path).size(), 491u);
    struct stat kept {}, made {};
    ASSERT_EQ(::stat(path.c_str(), &kept) | ::stat(dir.File("new.kst").c_str(), &made), 0);
    EXPECT_EQ(kept.st_mode & 07777, 0640u);
    EXPECT_EQ(made.st_mode & 07777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2) << "temporary file left";
}

TEST_F(KstDisk, SavingThroughALinkReplacesTheFileItNames)
{
    WriteFileBytes(dir.File("real.kst"), "old");
    std::filesystem::create_symlink(dir.File("real.kst"), dir.File("link.kst"));
    ASSERT_TRUE(CKstArchive::Save(doc, dir.File("link.kst"), error)) << error.Describe();
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.kst")));
    EXPECT_EQ(ReadFileBytes(dir.File("real.kst")).size(), 491u);
}

TEST_F(KstDisk, FailedSaveLeavesTheOldFileAndNoTemporary)
{
    // A directory in the target's place makes the final rename fail after the
    // new contents were written completely.
    std::filesystem::create_directory(dir.File("busy.kst"));
    WriteFileBytes(dir.File("busy.kst/inside"), "precious");
    doc.SetModifiedFlag();
    EXPECT_FALSE(CKstArchive::Save(doc, dir.File("busy.kst"), error));
    EXPECT_EQ(error.message.rfind("cannot replace the file: ", 0), 0u) << error.message;
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadFileBytes(dir.File("busy.kst/inside")), "precious");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1) << "temporary file left";

    EXPECT_FALSE(CKstArchive::Save(doc, dir.File("no/such/dir.kst"), error));
    EXPECT_EQ(error.message.rfind("cannot create a temporary file in ", 0), 0u) << error.message;
}

} // namespace
