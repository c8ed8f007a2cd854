// Setup > Terminal: what confirming does to the document and its views, which
// sizes are refused, and that Cancel leaves everything alone.
#include "ui/dialogs/TerminalDialog.h"
#include "document/KestronDoc.h"
#include "support/DialogTestSupport.h"

#include <QCheckBox>
#include <QComboBox>

#include <gtest/gtest.h>

#include <vector>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

struct RecordingView : IDocumentView {
    void OnUpdate(const CUpdateHint& hint) override { hints.push_back({hint.hint, hint.lines}); }
    std::vector<std::pair<int, int>> hints;
};

// Which changes the views hear of is the document's rule; here every option
// must make the trip and confirming counts as an edit.
TEST(TerminalApply, StoresEveryOptionAndTheSize)
{
    CKestronDoc doc;
    RecordingView view;
    doc.AddView(&view);
    TerminalSettings s = TerminalSettings::FromDocument(doc);
    s.localEcho = s.crToCrLfOnSend = s.crToCrLfOnReceive = s.lfToCrLfOnReceive = s.scanCommands = true;
    s.beep = false;
    s.screenColumns = 132;
    s.ApplyTo(doc);
    EXPECT_EQ(TerminalSettings::FromDocument(doc), s);
    EXPECT_EQ(view.hints, (std::vector<std::pair<int, int>>{{HINT_SCREEN_SIZE, 1000}}));
    EXPECT_TRUE(doc.IsModified());
}

// "^m" in a trigger is CR, or CR LF while CR is sent as CR LF: the decoded
// triggers follow the option.
TEST(TerminalApply, CrOnSendRebuildsTheAnswerTriggers)
{
    CKestronDoc doc;
    doc.SetAutoAnswers({"ok^m", "answer"});
    ASSERT_EQ(doc.autoAnswerTriggers, std::vector<std::string>{"0D6B6F"});
    TerminalSettings s = TerminalSettings::FromDocument(doc);
    s.crToCrLfOnSend = true;
    s.ApplyTo(doc);
    EXPECT_EQ(doc.autoAnswerTriggers, std::vector<std::string>{"0A0D6B6F"});
}

struct RangeCase {
    const char* name;
    QString columns;
    QString lines;
    std::vector<std::string> messages; // empty: accepted
    const char* charDelay = "0";
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class TerminalRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(TerminalRanges, OutOfRangeKeepsTheDialogOpen)
{
    const RangeCase& c = GetParam();
    ValidationMessages messages;
    CTerminalDialog dialog;
    dialog.SetSettings(TerminalSettings{});
    dialog.show();
    TypeNumber(dialog.findChild<CRangeSpinBox*>("screenColumns"), c.columns);
    TypeNumber(dialog.findChild<CRangeSpinBox*>("screenLines"), c.lines);
    TypeNumber(dialog.findChild<CRangeSpinBox*>("charDelay"), c.charDelay);
    dialog.accept();
    EXPECT_EQ(messages.All(), c.messages);
    EXPECT_EQ(dialog.isVisible(), !c.messages.empty());
    EXPECT_EQ(dialog.result(), c.messages.empty() ? QDialog::Accepted : QDialog::Rejected);
}

const std::string kColumnsRange = "Please enter an integer between 40 and 999.";
const std::string kLinesRange = "Please enter an integer between 25 and 1000000.";
const std::string kDelayRange = "Please enter an integer between 0 and 1000.";

INSTANTIATE_TEST_SUITE_P(Ranges, TerminalRanges,
                         ::testing::Values(RangeCase{"Columns30", "30", "1000", {kColumnsRange}},
                                           RangeCase{"ColumnsEmpty", "", "1000", {kColumnsRange}},
                                           RangeCase{"LinesMillionAndOne", "80", "1000001", {kLinesRange}},
                                           RangeCase{"BothBadColumnsFirst", "39", "2", {kColumnsRange}},
                                           RangeCase{"Lowest", "40", "25", {}},
                                           RangeCase{"Highest", "999", "1000000", {}},
                                           RangeCase{"CharDelay1001", "80", "25", {kDelayRange}, "1001"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunTerminalDialog, CancelChangesNothingOkWritesBack)
{
    struct Row {
        bool ok;
        std::int32_t lines;
        bool modified;
        std::size_t hints;
    };
    for (const Row& row : {Row{false, 1000, false, 0}, Row{true, 500, true, 1}}) {
        CKestronDoc doc;
        RecordingView view;
        doc.AddView(&view);
        WhenModalShown([&row](QDialog* dialog) {
            auto* lines = dialog->findChild<CRangeSpinBox*>("screenLines");
            TypeNumber(lines, "500");
            TypeNumber(dialog->findChild<CRangeSpinBox*>("lineDelay"), "40");
            dialog->findChild<QCheckBox*>("localEcho")->setChecked(true);
            if (row.ok)
                dialog->accept();
            else
                dialog->reject();
        });
        CPacing pacing{3, 0};
        EXPECT_EQ(RunTerminalDialog(nullptr, doc, &pacing), row.ok);
        EXPECT_EQ(pacing, (CPacing{3, row.ok ? 40 : 0}));
        EXPECT_EQ(doc.screenLines, row.lines);
        EXPECT_EQ(doc.localEcho, row.ok);
        EXPECT_EQ(doc.IsModified(), row.modified);
        EXPECT_EQ(view.hints.size(), row.hints);
    }
}

// The Terminal view's group: what the dialog confirms is what the store keeps
// for that file, what it holds for another file is left alone, and damaged
// values read as defaults.
TEST(TerminalViewOptions, DialogAndStoreRoundTrip)
{
    CKestronDoc doc;
    CMemorySettingsStore store;
    WhenModalShown([](QDialog* dialog) {
        dialog->findChild<QCheckBox*>("terminalAnswers")->setChecked(false);
        dialog->findChild<QComboBox*>("terminalEncoding")->setCurrentIndex(1);
        TypeNumber(dialog->findChild<CRangeSpinBox*>("scrollbackLines"), "2500");
        dialog->findChild<QComboBox*>("terminalBackspace")->setCurrentIndex(1);
        dialog->accept();
    });
    CPacing pacing;
    CTerminalViewOptions options;
    ASSERT_TRUE(RunTerminalDialog(nullptr, doc, &pacing, &options));
    const CTerminalViewOptions expected{false, true, 2500, true};
    EXPECT_EQ(options, expected);
    SaveTerminalViewOptions(store, "/boards/a.kst", options);
    EXPECT_EQ(LoadTerminalViewOptions(store, "/boards/a.kst"), expected);
    EXPECT_EQ(LoadTerminalViewOptions(store, "/boards/b.kst"), CTerminalViewOptions{});

    const std::pair<const char*, CTerminalViewOptions> stored[] = {
        {"0,1,500,1", {false, true, 500, true}},
        {"1,0,100001,0", {}},      // scrollback past the bound
        {"2,x,-5", {}},            // nothing readable
        {"0", {false, false, SCROLLBACK_LINES_DEFAULT, false}},
    };
    for (const auto& [text, options] : stored) {
        store.Write("TerminalView", "(untitled)", text);
        EXPECT_EQ(LoadTerminalViewOptions(store, ""), options) << text;
    }
}

} // namespace
