// The whole program on a loopback line: a configuration written by the
// command-line tool, opened from the command line, text typed into the ASCII
// view goes out over TCP to an echo server and comes back; the window shows the
// local echo in red and the received text in blue.
#include "hub/DataHub.h"
#include "ui/frame/KestronApp.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "support/EventWait.h"
#include "support/TempDir.h"
#include "ui/views/KestronView.h"

#include <QAction>
#include <QImage>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace kestrelon {
namespace {

// Echoes one connection back byte for byte, on 127.0.0.1.
class CEchoServer {
public:
    CEchoServer()
    {
        m_listen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_listen, 1);
        socklen_t length = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] {
            const int peer = accept(m_listen, nullptr, nullptr);
            if (peer < 0)
                return;
            char buffer[512];
            for (ssize_t n; (n = recv(peer, buffer, sizeof buffer, 0)) > 0;) 
                send(peer, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
            close(peer);
        });
    }
    ~CEchoServer()
    {
        shutdown(m_listen, SHUT_RDWR);
        close(m_listen);
        m_thread.join();
    }
    int Port() const { return m_port; }

private:
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

bool HasPixel(const QImage& image, const std::function<bool(QColor)>& wanted)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (wanted(image.pixelColor(x, y)))
                return true;
    return false;
}

TEST(EndToEndTest, TypedTextGoesOutAndComesBackInRedAndBlue)
{
    test::TempDir dir;
    CEchoServer echo;
    const QString json = QString::fromStdString(dir.File("echo.json"));
    const QString kst = QString::fromStdString(dir.File("echo.kst"));
    test::WriteFileBytes(json.toStdString(), "{\"commMode\": 1, \"ipServer\": \"127.0.0.1\", \"ipPort\": " +
                                                 std::to_string(echo.Port()) + ", \"localEcho\": true, \"crToCrLfOnSend\": true}");
    QProcess tool;
    tool.start(QStringLiteral(KESTRELON_BINARY), {QStringLiteral("--write-config"), json, kst});
    ASSERT_TRUE(tool.waitForFinished(20000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    CKestronApp app(std::make_unique<QSettings>(QString::fromStdString(dir.File("profile.ini")), QSettings::IniFormat));
    ASSERT_TRUE(app.InitInstance({kst}));
    CMainFrame* frame = app.MainFrame();
    frame->resize(900, 600);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
    ASSERT_TRUE(test::WaitFor([&] { return frame->Hub()->IsConnectionOpen(); }, 10000));

    auto* view = qobject_cast<CKestronView*>(frame->View(0));
    ASSERT_NE(view, nullptr);
    view->setFocus();
    QTest::keyClicks(view, QStringLiteral("hello"));
    QTest::keyClick(view, Qt::Key_Return);
    // The local echo comes first (red), then the line from the server (blue);
    // Return goes out as CR LF, so each has a row of its own.
    const bool back = test::WaitFor([&] { return view->Grid().RowText(1).find("hello") == 0; }, 10000);
    ASSERT_TRUE(back) << "row 0: " << view->Grid().RowText(0) << " row 1: " << view->Grid().RowText(1);
    EXPECT_EQ(view->Grid().RowText(0).find("hello"), 0u);
    EXPECT_EQ(view->Grid().RowColours(0)[0], SEND_COLOUR);
    EXPECT_EQ(view->Grid().RowColours(1)[0], RECEIVE_COLOUR);

    // While the connection is up, Toggle > Communication shows no check mark.
    EXPECT_TRUE(test::WaitFor([&] { return !frame->Action(ID_TOGGLE_COMMUNICATION)->isChecked(); }));
    QImage image;
    auto redAndBlue = [&] {
        image = frame->grab().toImage();
        return HasPixel(image, [](QColor c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; }) &&
               HasPixel(image, [](QColor c) { return c.blue() > 200 && c.red() < 80 && c.green() < 80; });
    };
    EXPECT_TRUE(test::WaitFor(redAndBlue, 5000));
    if (const QByteArray shot = qgetenv("KESTRELON_SCREENSHOT"); !shot.isEmpty()) {
        EXPECT_TRUE(image.save(QString::fromLocal8Bit(shot))) << shot.constData() << " " << image.width();
    }
}

} // namespace
} // namespace kestrelon
