// A main window on recording connections for widget tests: no real port or
// socket is opened, dialogs are answered by the test, settings live in a
// temporary directory.
#pragma once

#include "support/HubDoubles.h"
#include "hub/DataHub.h"
#include "document/KestronDoc.h"
#include "ui/frame/MainFrame.h"
#include "ui/frame/PlaceholderView.h"
#include "document/SettingsStore.h"
#include "support/TempDir.h"

#include <QDialog>
#include <QSettings>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kestrelon::test {

// Light views in place of the terminal's own, counting the hints they get.
inline void UsePlaceholderViews(CMainFrame& frame)
{
    frame.SetViewFactory([](int index, CMainFrame& owner) {
        auto* view = new CPlaceholderView(QStringLiteral("view%1").arg(index), &owner);
        return CMainFrame::CViewSlot{view, view};
    });
}

class FrameFixture : public ::testing::Test {
protected:
    std::unique_ptr<QSettings> Profile() const
    {
        return std::make_unique<QSettings>(QString::fromStdString(dir.File("profile.ini")), QSettings::IniFormat);
    }

    // A frame with the three views made, the ASCII one active.
    std::unique_ptr<CMainFrame> MakeFrame(QSettings* settings)
    {
        auto frame = std::make_unique<CMainFrame>(doc, settings, &store);
        UsePlaceholderViews(*frame);
        frame->SetDialogRunner([this](QDialog& dialog) {
            dialogs.push_back(QString::fromLatin1(dialog.metaObject()->className()));
            return dialogAnswer;
        });
        frame->Create([this](CMainFrame& owner) {
            auto serialLink = std::make_unique<CRecordingSerialLink>();
            auto ipLink = std::make_unique<CRecordingIpLink>();
            serial = serialLink.get();
            ip = ipLink.get();
            return std::make_unique<CDataHub>(doc, owner, owner.Target(), std::move(serialLink), std::move(ipLink));
        });
        for (int view : {2, 1, 0})
            frame->SwitchView(view);
        return frame;
    }

    CPlaceholderView* View(CMainFrame& frame, int index) const
    {
        return static_cast<CPlaceholderView*>(frame.View(index));
    }

    TempDir dir;
    CKestronDoc doc;
    CMemorySettingsStore store;
    CRecordingSerialLink* serial = nullptr;
    CRecordingIpLink* ip = nullptr;
    std::vector<QString> dialogs; // class names of the dialogs run, in order
    int dialogAnswer = QDialog::Rejected;
};

} // namespace kestrelon::test
