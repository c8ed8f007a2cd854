// The document's font record and QFont: what crosses over, what the record
// keeps, and records that a file could hold but the dialog never makes.
#include "ui/views/FontMapping.h"
#include "document/KestronDoc.h"
#include "document/WinRecords.h"
#include "support/DialogTestSupport.h"
#include "ui/views/ViewTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace kestrelon;

namespace {

using kestrelon::test::LogFont;

struct FontCase {
    const char* name;
    LOGFONTA record;
    QString family;
    int pixelSize;
    int weight;
    bool italic;
    LOGFONTA back; // after a round trip through QFont
};
void PrintTo(const FontCase& c, std::ostream* os) { *os << c.name; }

class LogFontToQFont : public ::testing::TestWithParam<FontCase> {};

TEST_P(LogFontToQFont, MapsFaceHeightWeightItalic)
{
    const FontCase& c = GetParam();
    const QFont font = FontFromLogFont(c.record);
    EXPECT_EQ(font.family(), c.family);
    EXPECT_EQ(font.pixelSize(), c.pixelSize);
    EXPECT_EQ(font.weight(), c.weight);
    EXPECT_EQ(font.italic(), c.italic);
    EXPECT_TRUE(font.fixedPitch());
    const LOGFONTA back = LogFontFromFont(font, c.record);
    EXPECT_EQ(std::string(back.lfFaceName, strnlen(back.lfFaceName, 32)),
              std::string(c.back.lfFaceName, strnlen(c.back.lfFaceName, 32)));
    EXPECT_EQ(back, c.back);
}

LOGFONTA Unterminated()
{
    LOGFONTA r = LogFont("", 12, 400, 0);
    std::memset(r.lfFaceName, 'A', sizeof r.lfFaceName);
    return r;
}

LOGFONTA Terminated31()
{
    LOGFONTA r = LogFont("", 12, 400, 0);
    std::memset(r.lfFaceName, 'A', 31);
    return r;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Records, LogFontToQFont,
    ::testing::Values(
        FontCase{"NewDocumentDefault", LogFont("Courier New", 20, 700, 0), "Courier New", 20, 700, false, LogFont("Courier New", 20, 700, 0)},
        FontCase{"CharacterHeightBecomesPixels", LogFont("Mono", -16, 400, 1), "Mono", 16, 400, true, LogFont("Mono", 16, 400, 1)},
        FontCase{"DontCareWeightIsNormal", LogFont("Mono", 14, 0, 0), "Mono", 14, 400, false, LogFont("Mono", 14, 400, 0)},
        FontCase{"AbsurdWeightClamped", LogFont("Mono", 14, 5000, 0), "Mono", 14, 1000, false, LogFont("Mono", 14, 1000, 0)},
        FontCase{"FaceWithoutTerminatorReadsOnly32", Unterminated(), QString(32, QLatin1Char('A')), 12, 400, false, Terminated31()}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(LogFontFromFont, KeepsFieldsQFontDoesNotDescribe)
{
    LOGFONTA previous = LogFont("Old", 10, 400, 0);
    previous.lfEscapement = 7;
    previous.lfUnderline = 1;
    previous.lfQuality = 3;
    QFont font(QStringLiteral("New Face"));
    font.setPixelSize(18);
    font.setWeight(QFont::Bold);
    const LOGFONTA record = LogFontFromFont(font, previous);
    LOGFONTA expected = previous;
    std::memset(expected.lfFaceName, 0, 32);
    std::strcpy(expected.lfFaceName, "New Face");
    expected.lfHeight = 18;
    expected.lfWeight = 700;
    EXPECT_EQ(record, expected);
}

TEST(RunFontDialog, OkStoresTellsTheViewsAndMarksModifiedCancelDoesNot)
{
    struct HintCounter : IDocumentView {
        void OnUpdate(const CUpdateHint& hint) override { fontHints += hint.hint == HINT_FONT ? 1 : 0; }
        int fontHints = 0;
    };
    for (const bool ok : {false, true}) {
        CKestronDoc doc;
        doc.font = LogFont("Courier New", 20, 700, 0);
        doc.font.lfItalic = 1;
        HintCounter views;
        doc.AddView(&views);
        kestrelon::test::WhenModalShown([ok](QDialog* dialog) { ok ? dialog->accept() : dialog->reject(); });
        EXPECT_EQ(RunFontDialog(nullptr, doc), ok);
        EXPECT_EQ(views.fontHints, ok ? 1 : 0);
        EXPECT_EQ(doc.IsModified(), ok);
        // Whatever face the dialog settled on, the rest of the record is kept.
        EXPECT_EQ(doc.font.lfCharSet, 1);
        EXPECT_EQ(doc.font.lfPitchAndFamily, 0x21);
        EXPECT_EQ(doc.font.lfItalic, 1);
    }
}

} // namespace
