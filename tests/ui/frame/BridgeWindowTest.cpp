// Bridge mode through the real main window (offscreen): a pseudo-terminal plays
// the device on the serial line, a loopback TCP peer plays the remote program.
#include "support/HubDoubles.h"
#include "support/SocketTestKit.h"
#include "hub/DataHub.h"
#include "document/KestronDoc.h"
#include "ui/frame/MainFrame.h"
#include "document/Messages.h"
#include "ui/frame/PlaceholderView.h"
#include "document/SettingsStore.h"
#include "support/EventWait.h"
#include "ui/widgets/Lamp.h"
#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <QAction>
#include <QSettings>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>

namespace kestrelon::test {
namespace {

constexpr std::uint32_t kPtyPort = 200; // an alias no real device takes

class BridgeWindowTest : public ::testing::Test {
protected:
    BridgeWindowTest()
    {
        store.Write("Ports", "COM" + std::to_string(kPtyPort), pty.SlavePath());
        doc.comPort = kPtyPort;
        doc.SetHardwareHandshake(false); // a pty has no modem lines
        doc.AddView(&view);
    }
    ~BridgeWindowTest() override { doc.RemoveView(&view); }

    void OpenWindow()
    {
        frame = std::make_unique<CMainFrame>(doc, &profile, &store);
        frame->SetViewFactory([](int index, CMainFrame& owner) {
            auto* placeholder = new CPlaceholderView(QStringLiteral("view%1").arg(index), &owner);
            return CMainFrame::CViewSlot{placeholder, placeholder};
        });
        frame->SetDialogRunner([](QDialog&) { return 0; });
        ASSERT_TRUE(frame->Create());
        for (int index : {2, 1, 0})
            frame->SwitchView(index);
        frame->Hub()->ApplyConnection();
        ASSERT_TRUE(WaitFor([&] { return frame->Hub()->IsConnectionOpen(); }));
    }
    int Led() const { return frame->MainStatusBar()->Led(LED_BRIDGE)->State(); }
    bool Checked(int command) const { return frame->Action(command)->isChecked(); }

    // Reads while the window's event loop runs (the window does the work).
    static std::string ReadPeer(int fd, std::size_t count, int timeoutMs = 5000)
    {
        std::string got;
        WaitFor(
            [&] {
                pollfd p{fd, POLLIN, 0};
                char buffer[4096];
                ssize_t n = 0;
                if (::poll(&p, 1, 0) == 1 && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                    got.append(buffer, static_cast<std::size_t>(n));
                return got.size() >= count || n < 0;
            },
            timeoutMs);
        return got;
    }
    std::string ReadDevice(std::size_t count, int timeoutMs = 5000)
    {
        std::string got;
        WaitFor([&] { return (got += pty.ReadMaster(20, 1)).size() >= count; }, timeoutMs);
        return got;
    }

    TempDir dir;
    PtyPair pty;
    CMemorySettingsStore store;
    QSettings profile{QString::fromStdString(dir.File("profile.ini")), QSettings::IniFormat};
    CKestronDoc doc;
    CRecordingView view;
    std::unique_ptr<CMainFrame> frame;
};

TEST_F(BridgeWindowTest, RemoteProgramTalksToTheDeviceThroughTheWindow)
{
    doc.scanCommands = true;
    doc.localEcho = true;
    doc.triggerByte = 32;
    doc.SetAutoAnswers({"login:", "secret"});
    doc.autoAnswerOn = true;
    doc.bridgeMode = 1; // IPv4 server
    doc.bridgePort = 0;
    OpenWindow();

    frame->OnCommand(ID_TOGGLE_BRIDGE);
    EXPECT_TRUE(Checked(ID_TOGGLE_BRIDGE));
    EXPECT_FALSE(doc.autoAnswerOn);
    EXPECT_EQ(Led(), 5);
    frame->OnCommand(ID_TOGGLE_AUTO_ANSWER); // on again: still not for the peer's bytes
    const std::uint16_t port = frame->Hub()->Bridge().ListeningPort();
    Fd peer = ConnectTo(AF_INET, port);
    ASSERT_TRUE(WaitFor([&] { return Led() == 4; }));

    const std::string device = std::string("abc[KESTRON:LOG_STOP\r\0\xff\n", 24) + "done";
    ASSERT_TRUE(pty.WriteMaster(device));
    EXPECT_EQ(ReadPeer(peer.Get(), device.size()), device);

    view.bytes.clear();
    view.colours.clear();
    const std::string remote = "[KESTRON:LOG_START\rlogin: ";
    ASSERT_TRUE(WriteAll(peer.Get(), remote));
    EXPECT_EQ(ReadDevice(remote.size()), remote);
    EXPECT_EQ(ReadDevice(1, 300), ""); // no answer to the peer's "login: "
    EXPECT_FALSE(frame->Hub()->IsLogging());
    EXPECT_EQ(view.bytes, remote);
    EXPECT_EQ(view.colours, std::vector<COLORREF>(remote.size(), SEND_COLOUR));

    peer.Reset();
    ASSERT_TRUE(WaitFor([&] { return Led() == 5; }));
    EXPECT_TRUE(Checked(ID_TOGGLE_BRIDGE));
    Fd next = ConnectTo(AF_INET, port);
    ASSERT_TRUE(WaitFor([&] { return Led() == 4; }));

    frame.reset(); // closing the window closes both bridge sockets
    EXPECT_TRUE(WaitForEof(next.Get()));
    EXPECT_LT(ConnectTo(AF_INET, port).Get(), 0);
}

TEST_F(BridgeWindowTest, RefusedConnectShowsRedAndUnchecks)
{
    doc.bridgeMode = 0; // IPv4 client
    doc.bridgeServer = "127.0.0.1";
    doc.bridgePort = FreePort();
    OpenWindow();
    frame->OnCommand(ID_TOGGLE_BRIDGE);
    ASSERT_TRUE(WaitFor([&] { return Led() == 2; }));
    EXPECT_TRUE(WaitFor([&] { return !Checked(ID_TOGGLE_BRIDGE); }));
}

} // namespace
} // namespace kestrelon::test
