// The function-key bar: captions per level, level buttons, which clicks send
// what, and where the buttons sit.
#include "ui/frame/FunctionKeyBar.h"
#include "automation/FunctionKeys.h"
#include "document/KestronDoc.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kestrelon;

namespace {

// Level 0 and level 3 hold keys; every other level is empty.
void FillLevels(CKestronDoc& doc)
{
    for (int key = 0; key < 10; ++key)
        doc.fkeyLabel[static_cast<std::size_t>(FkeyIndex(0, key))] = "L0K" + std::to_string(key);
    doc.fkeyLabel[static_cast<std::size_t>(FkeyIndex(3, 0))] = "Reset";
    doc.fkeyCommand[static_cast<std::size_t>(FkeyIndex(3, 0))] = "ATZ^M";
    doc.fkeyCommand[static_cast<std::size_t>(FkeyIndex(0, 4))] = "AT^M";
    // Level 0 key 5 has a title but nothing to send.
}

class BarHarness {
public:
    BarHarness()
    {
        FillLevels(doc);
        bar.SetDocument(&doc);
        bar.resize(1103 + 6, bar.sizeHint().height());
        bar.show();
        QObject::connect(&bar, &CFunctionKeyBar::SendTextRequested,
                         [this](const std::string& text) { sent.push_back(text); });
    }
    std::vector<QString> Captions() const
    {
        std::vector<QString> captions;
        for (int key = 0; key < 10; ++key)
            captions.push_back(bar.KeyButton(key)->text());
        return captions;
    }

    CKestronDoc doc;
    CFunctionKeyBar bar;
    std::vector<std::string> sent;
};

// The stepping rule itself is the model's; here the buttons must reach it and
// the captions follow the level.
TEST(FunctionKeyBar, LevelButtonsStepOverEmptyLevelsAndTheCaptionsFollow)
{
    BarHarness h;
    std::vector<std::pair<int, QString>> seen;
    for (QPushButton* button : {h.bar.LevelUpButton(), h.bar.LevelUpButton(), h.bar.LevelDownButton()}) {
        QTest::mouseClick(button, Qt::LeftButton);
        seen.emplace_back(h.bar.Level(), h.bar.KeyButton(0)->text());
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, QString>>{{3, "Reset"}, {0, "L0K0"}, {3, "Reset"}}));
    // Every caption follows the level, and none is left without a document.
    EXPECT_EQ(h.Captions(), (std::vector<QString>{"Reset", "", "", "", "", "", "", "", "", ""}));
    h.bar.SetDocument(nullptr);
    EXPECT_EQ(h.Captions(), std::vector<QString>(10));
}

TEST(FunctionKeyBar, KeysSendOnlyWhileEnabledAndOnlyWithACommand)
{
    struct Row {
        const char* name;
        bool enabled;
        int level;
        int key;
        std::vector<std::string> sent;
        int focusRequests;
    };
    for (const Row& row : {Row{"Disabled", false, 0, 4, {}, 0}, Row{"Command", true, 0, 4, {"AT^M"}, 1},
                           Row{"TitleOnly", true, 0, 5, {}, 1}, Row{"OtherLevel", true, 3, 0, {"ATZ^M"}, 1},
                           Row{"EmptyKey", true, 3, 9, {}, 1}}) {
        BarHarness h;
        QSignalSpy focus(&h.bar, &CFunctionKeyBar::FocusViewRequested);
        h.bar.SetLevel(row.level);
        h.bar.EnableFkeys(row.enabled);
        QTest::mouseClick(h.bar.KeyButton(row.key), Qt::LeftButton);
        EXPECT_EQ(h.sent, row.sent) << row.name;
        EXPECT_EQ(focus.count(), row.focusRequests) << row.name;
    }
}

} // namespace
