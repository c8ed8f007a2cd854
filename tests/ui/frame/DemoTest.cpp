// `kestrelon --demo` offscreen: connected on a session-only COM number, the
// banner and the `help` answer shown, the device gone with the program.
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "hub/DataHub.h"
#include "support/EventWait.h"
#include "support/TempDir.h"
#include "ui/frame/KestronApp.h"
#include "ui/views/KestronView.h"

#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>

namespace kestrelon {
namespace {

namespace fs = std::filesystem;

// The row of the view that holds `text`, or -1.
int FindRow(const CKestronView& view, const std::string& text)
{
    for (int row = 0; row < view.Grid().UsedLines(); ++row)
        if (view.Grid().RowText(row).find(text) != std::string::npos)
            return row;
    return -1;
}

bool HasDemoLink(const fs::path& dir)
{
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_symlink() && entry.path().filename().string().rfind("kestrelon-demo-", 0) == 0)
            return true;
    return false;
}

TEST(DemoTest, HelpShowsTheCommandListFromTheDemoDevice)
{
    test::TempDir dir;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir.Path().string()));
    const QString profile = QString::fromStdString(dir.File("profile.ini"));
    {
        CKestronApp app(std::make_unique<QSettings>(profile, QSettings::IniFormat));
        app.SetDemoProgram(QStringLiteral(KESTRELON_DEMO_DEVICE));
        ASSERT_TRUE(app.InitInstance({QStringLiteral("--demo")}));
        EXPECT_EQ(app.DemoPort(), CKestronApp::DEMO_FIRST_PORT);
        EXPECT_TRUE(HasDemoLink(dir.Path()));
        CMainFrame* frame = app.MainFrame();
        frame->resize(900, 600);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
        ASSERT_TRUE(test::WaitFor([&] { return frame->Hub()->IsConnectionOpen(); }, 10000));
        EXPECT_EQ(frame->MainStatusBar()->PaneText(0), QStringLiteral("Demo device on COM200"));
        EXPECT_EQ(app.Document().dcb.BaudRate, CKestronApp::DEMO_BAUD_RATE);

        auto* view = qobject_cast<CKestronView*>(frame->View(0));
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(test::WaitFor([&] { return FindRow(*view, "demo> ") >= 0; }, 10000));
        const int banner = FindRow(*view, "Kestrelon demo board");
        ASSERT_GE(banner, 0);
        EXPECT_EQ(view->Grid().ColourAt(banner, 0), RECEIVE_COLOUR);

        view->setFocus();
        QTest::keyClicks(view, QStringLiteral("help"));
        QTest::keyClick(view, Qt::Key_Return);
        ASSERT_TRUE(test::WaitFor([&] { return FindRow(*view, "  flood N ") >= 0; }, 10000));
    }
    // The alias lived for the session only; the device went with the program.
    QSettings saved(profile, QSettings::IniFormat);
    EXPECT_FALSE(saved.childGroups().contains(QStringLiteral("Ports")));
    EXPECT_FALSE(HasDemoLink(dir.Path()));
    qputenv("XDG_RUNTIME_DIR", runtime);
}

} // namespace
} // namespace kestrelon
