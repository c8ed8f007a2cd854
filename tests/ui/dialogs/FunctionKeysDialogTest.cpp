// The Function Keys dialog: the hundred rows, the button states of a selection,
// moving and clearing rows, which cells can be edited, and the write-back.
#include "ui/dialogs/FunctionKeysDialog.h"
#include "document/KestronDoc.h"
#include "support/DialogTestSupport.h"
#include "ui/widgets/EditableListCtrl.h"

#include <QPushButton>

#include <gtest/gtest.h>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

FunctionKeyTexts SampleTexts()
{
    FunctionKeyTexts texts;
    for (int i = 0; i < FKEY_COUNT; ++i) {
        texts.labels[static_cast<std::size_t>(i)] = "T" + std::to_string(i);
        texts.commands[static_cast<std::size_t>(i)] = "C" + std::to_string(i) + "^M";
    }
    return texts;
}

QString Cell(const CFunctionKeysDialog& d, int row, int column)
{
    return d.List()->item(row, column)->text();
}

TEST(FunctionKeysDialog, TextACharacterCannotBeStoredInIsRefused)
{
    ValidationMessages messages;
    CFunctionKeysDialog dialog;
    dialog.SetTexts(SampleTexts());
    dialog.List()->item(12, CFunctionKeysDialog::COL_COMMAND)->setText(QStringLiteral("\u2192^m"));
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(messages.All().size(), 1u);
    EXPECT_NE(messages.All()[0].find("key 1/2"), std::string::npos) << messages.All()[0];
}

TEST(FunctionKeysDialog, HundredRowsNumberedByLevelAndKey)
{
    CFunctionKeysDialog dialog;
    dialog.SetTexts(SampleTexts());
    ASSERT_EQ(dialog.List()->rowCount(), 100);
    EXPECT_EQ(Cell(dialog, 99, CFunctionKeysDialog::COL_NUMBER), "9/9"); // the text itself is the model's
    EXPECT_EQ(Cell(dialog, 37, CFunctionKeysDialog::COL_TITLE), "T37");
    EXPECT_EQ(dialog.List()->columnWidth(CFunctionKeysDialog::COL_HIDDEN), 0);
    EXPECT_EQ(dialog.Texts(), SampleTexts());
}

TEST(FunctionKeysDialog, ButtonsFollowTheSelection)
{
    struct Row {
        int select;
        bool up;
        bool down;
        bool clear;
    };
    for (const Row& row : {Row{-1, false, false, false}, Row{0, false, true, true}, Row{50, true, true, true},
                           Row{99, true, false, true}}) {
        CFunctionKeysDialog dialog;
        dialog.SelectRow(row.select);
        EXPECT_EQ(dialog.SelectedRow(), row.select);
        EXPECT_EQ(dialog.UpButton()->isEnabled(), row.up) << row.select;
        EXPECT_EQ(dialog.DownButton()->isEnabled(), row.down) << row.select;
        EXPECT_EQ(dialog.ClearButton()->isEnabled(), row.clear) << row.select;
    }
}

TEST(FunctionKeysDialog, MovingSwapsContentsNotKeysAndClearEmptiesTheSelectedRow)
{
    CFunctionKeysDialog dialog;
    dialog.SetTexts(SampleTexts());
    dialog.SelectRow(0);
    dialog.MoveDown();
    FunctionKeyTexts expected = SampleTexts();
    std::swap(expected.labels[0], expected.labels[1]);
    std::swap(expected.commands[0], expected.commands[1]);
    EXPECT_EQ(dialog.Texts(), expected);
    EXPECT_EQ(Cell(dialog, 0, CFunctionKeysDialog::COL_NUMBER), "0/0");
    EXPECT_EQ(Cell(dialog, 1, CFunctionKeysDialog::COL_NUMBER), "0/1");
    EXPECT_EQ(dialog.SelectedRow(), 1); // the moved contents stay selected
    dialog.MoveUp();
    EXPECT_EQ(dialog.Texts(), SampleTexts());
    EXPECT_EQ(dialog.SelectedRow(), 0);
    dialog.MoveUp(); // first row: nothing above
    EXPECT_EQ(dialog.Texts(), SampleTexts());
    // Clear empties only the selected row, and nothing without a selection.
    dialog.SelectRow(-1);
    dialog.ClearRow();
    EXPECT_EQ(dialog.Texts(), SampleTexts());
    dialog.SelectRow(42);
    dialog.ClearRow();
    expected = SampleTexts();
    expected.labels[42].clear();
    expected.commands[42].clear();
    EXPECT_EQ(dialog.Texts(), expected);
}

// An edit still open when OK is pressed counts.
TEST(FunctionKeysDialog, OnlyTitleAndCommandAreEditableAndAnOpenEditIsTaken)
{
    for (const int column : {0, 1, 2, 3}) {
        CFunctionKeysDialog dialog;
        dialog.show();
        emit dialog.List()->BeginLabelEdit(4, column, QString());
        const bool editable = column == CFunctionKeysDialog::COL_TITLE || column == CFunctionKeysDialog::COL_COMMAND;
        ASSERT_EQ(dialog.List()->ActiveEdit() != nullptr, editable) << column;
        if (editable) {
            dialog.List()->ActiveEdit()->setText("typed");
            const FunctionKeyTexts texts = dialog.Texts();
            EXPECT_EQ(column == CFunctionKeysDialog::COL_TITLE ? texts.labels[4] : texts.commands[4], "typed");
        }
    }
}

TEST(RunFunctionKeysDialog, OkWritesBackCancelDoesNot)
{
    for (const bool ok : {false, true}) {
        CKestronDoc doc;
        SampleTexts().ApplyTo(doc);
        doc.SetModifiedFlag(false);
        WhenModalShown([ok](QDialog* dialog) {
            auto* keys = static_cast<CFunctionKeysDialog*>(dialog);
            keys->SelectRow(0);
            keys->ClearRow();
            ok ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(RunFunctionKeysDialog(nullptr, doc), ok);
        EXPECT_EQ(doc.fkeyLabel[0], ok ? "" : "T0");
        EXPECT_EQ(doc.fkeyCommand[1], "C1^M");
        EXPECT_EQ(doc.IsModified(), ok);
    }
}

} // namespace
