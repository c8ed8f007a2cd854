// The Auto Answer dialog: rows from the rule list, New, Copy and Delete with
// their button states, the trigger byte range, and what OK stores.
#include "ui/dialogs/AutoAnswerDialog.h"
#include "document/KestronDoc.h"
#include "support/DialogTestSupport.h"
#include "ui/widgets/EditableListCtrl.h"

#include <QCheckBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

AutoAnswerSettings Sample()
{
    AutoAnswerSettings s;
    s.triggerByte = 32;
    s.echo = true;
    s.rules = {"login:", "guest^M", "Password:", "\\0x41", "orphan trigger"};
    return s;
}

void SelectRows(CAutoAnswerDialog& dialog, const std::vector<int>& rows)
{
    dialog.List()->clearSelection();
    for (int row : rows)
        dialog.List()->selectionModel()->select(dialog.List()->model()->index(row, 1),
                                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

TEST(AutoAnswerDialog, RowsPairTriggersWithAnswersDroppingAnOrphanAndKeepEveryByte)
{
    CAutoAnswerDialog dialog;
    dialog.SetSettings(Sample());
    EXPECT_EQ(dialog.List()->rowCount(), 2);
    AutoAnswerSettings expected = Sample();
    expected.rules.pop_back();
    EXPECT_EQ(dialog.Settings(), expected);
    expected.rules = {"caf\xE9:", "\xFF\x01"}; // replaces the rows
    dialog.SetSettings(expected);
    EXPECT_EQ(dialog.Settings(), expected);
}

TEST(AutoAnswerDialog, NewCopyDelete)
{
    struct Step {
        const char* name;
        std::vector<int> select;
        void (CAutoAnswerDialog::*action)();
        std::vector<std::string> rules;
        int selectedAfter; // -1: none
    };
    const std::vector<std::string> base = {"login:", "guest^M", "Password:", "\\0x41"};
    const std::vector<Step> steps = {
        {"New", {0}, &CAutoAnswerDialog::NewRule, {"login:", "guest^M", "Password:", "\\0x41", "Text", "Answer"}, 2},
        {"CopyFirstSelected",
         {1, 0},
         &CAutoAnswerDialog::CopyRule,
         {"login:", "guest^M", "Password:", "\\0x41", "login:", "guest^M"},
         2},
        {"CopyWithoutSelection", {}, &CAutoAnswerDialog::CopyRule, base, -1},
        {"DeleteFirstSelected", {1}, &CAutoAnswerDialog::DeleteRule, {"login:", "guest^M"}, -1},
        {"DeleteWithoutSelection", {}, &CAutoAnswerDialog::DeleteRule, base, -1},
    };
    for (const Step& step : steps) {
        CAutoAnswerDialog dialog;
        dialog.SetSettings(Sample());
        SelectRows(dialog, step.select);
        (dialog.*step.action)();
        EXPECT_EQ(dialog.Settings().rules, step.rules) << step.name;
        const auto selected = dialog.List()->selectionModel()->selectedRows();
        EXPECT_EQ(selected.isEmpty() ? -1 : selected.first().row(), step.selectedAfter) << step.name;
        if (step.selectedAfter >= 0) {
            EXPECT_EQ(selected.size(), 1) << step.name;
        }
    }
}

TEST(AutoAnswerDialog, CopyAndDeleteNeedASelectionAndOkIsDefaultAfterDelete)
{
    CAutoAnswerDialog dialog;
    dialog.SetSettings(Sample());
    dialog.show();
    EXPECT_FALSE(dialog.CopyButton()->isEnabled());
    EXPECT_FALSE(dialog.DeleteButton()->isEnabled());
    SelectRows(dialog, {1});
    EXPECT_TRUE(dialog.CopyButton()->isEnabled());
    EXPECT_TRUE(dialog.DeleteButton()->isEnabled());
    dialog.List()->clearSelection();
    EXPECT_FALSE(dialog.CopyButton()->isEnabled());
    SelectRows(dialog, {0, 1});
    dialog.DeleteRule();
    EXPECT_FALSE(dialog.DeleteButton()->isEnabled());
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    EXPECT_FALSE(dialog.DeleteButton()->isDefault());
}

TEST(AutoAnswerDialog, TriggerByteRange)
{
    struct Row {
        QString typed;
        bool accepted;
    };
    for (const Row& row : {Row{"0", true}, Row{"255", true}, Row{"256", false}, Row{"-1", false}, Row{"", false}}) {
        ValidationMessages messages;
        CAutoAnswerDialog dialog;
        dialog.SetSettings(Sample());
        dialog.show();
        TypeNumber(dialog.TriggerByteEdit(), row.typed);
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, row.accepted) << row.typed.toStdString();
        const std::vector<std::string> expected =
            row.accepted ? std::vector<std::string>{}
                         : std::vector<std::string>{"Please enter an integer between 0 and 255."};
        EXPECT_EQ(messages.All(), expected);
    }
}

TEST(AutoAnswerSettings, ApplyRebuildsTriggersKeepsHistoryAndMarksModified)
{
    CKestronDoc doc;
    doc.matchHistory = "4B4F";
    AutoAnswerSettings s;
    s.triggerByte = 10;
    s.echo = true;
    s.rules = {"OK", "x"};
    s.ApplyTo(doc);
    EXPECT_EQ(doc.triggerByte, 10);
    EXPECT_EQ(doc.autoAnswerEcho, 1u);
    EXPECT_EQ(doc.autoAnswers, s.rules);
    EXPECT_EQ(doc.autoAnswerTriggers, std::vector<std::string>{"4B4F"});
    EXPECT_EQ(doc.matchHistory, "4B4F");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(AutoAnswerSettings::FromDocument(doc), s);
}

TEST(RunAutoAnswerDialog, OkStoresCancelDoesNot)
{
    for (const bool ok : {false, true}) {
        CKestronDoc doc;
        WhenModalShown([ok](QDialog* dialog) {
            auto* answers = static_cast<CAutoAnswerDialog*>(dialog);
            answers->NewRule();
            answers->EchoBox()->setChecked(true);
            ok ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(RunAutoAnswerDialog(nullptr, doc), ok);
        const std::vector<std::string> expected =
            ok ? std::vector<std::string>{"Text", "Answer"} : std::vector<std::string>{};
        EXPECT_EQ(doc.autoAnswers, expected);
        EXPECT_EQ(doc.autoAnswerEcho, ok ? 1u : 0u);
        EXPECT_EQ(doc.IsModified(), ok);
    }
}

} // namespace
