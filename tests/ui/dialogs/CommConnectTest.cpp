// Confirming Setup > Communication connects at once: to a pseudo-terminal bound
// to a typed-in port number, and to a TCP server on 127.0.0.1.
#include "ui/dialogs/CommDialog.h"
#include "hub/DataHub.h"
#include "hub/HubWindow.h"
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "framework/PumpedTarget.h"
#include "support/PtyPair.h"
#include "support/DialogTestSupport.h"

#include <QComboBox>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <memory>

using namespace kestrelon;
using namespace kestrelon::test;

namespace {

class QuietWindow : public IHubWindow {
public:
    void SetLedState(LedRole, int) override {}
    void BlinkLed(LedRole, int, int) override {}
    void AlternateLed(LedRole, int, int, int, int) override {}
    void SetStatusPanes(std::uint32_t) override {}
    void SetPaneText(PaneId, const std::string&) override {}
    void EnableFunctionKeys(bool) override {}
    void RefreshFunctionKeys() override {}
    bool ShowPortFailureDialog() override { return false; }
    void ShowMessageBox(const std::string& text, MessageBoxIcon) override { ADD_FAILURE() << text; }
    void PostCommand(int) override {}
    void Beep() override {}
    void FocusActiveView() override {}
    int ActiveView() const override { return 0; }
    bool IsGpsBarVisible() const override { return false; }
    void FeedGps(std::uint8_t) override {}
};

// A listening socket on 127.0.0.1 that accepts one peer.
class Listener {
public:
    Listener()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), size);
        ::listen(m_fd, 1);
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &size);
        m_port = ntohs(a.sin_port);
    }
    ~Listener()
    {
        if (m_peer >= 0)
            ::close(m_peer);
        ::close(m_fd);
    }
    std::uint16_t Port() const { return m_port; }
    std::string Read(int timeoutMs)
    {
        pollfd p{m_fd, POLLIN, 0};
        if (m_peer < 0 && ::poll(&p, 1, timeoutMs) == 1)
            m_peer = ::accept(m_fd, nullptr, nullptr);
        pollfd q{m_peer, POLLIN, 0};
        char buffer[64];
        if (m_peer < 0 || ::poll(&q, 1, timeoutMs) != 1)
            return {};
        const ssize_t n = ::recv(m_peer, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }

private:
    int m_fd = -1;
    int m_peer = -1;
    std::uint16_t m_port = 0;
};

struct Terminal {
    Terminal()
    {
        frame.SetPumpThread(std::this_thread::get_id());
        frame.SetHandler([this](CMessage& m) { return hub ? hub->HandleMessage(m) : 0; });
        doc.SetFrameTarget(&frame);
        hub = std::make_unique<CDataHub>(doc, window, store, frame);
    }
    ~Terminal()
    {
        // The serial driver's thread may wait in Send: release it before joining.
        frame.Close();
        hub.reset();
    }
    // Runs Setup > Communication with `fill` acting on the open dialog, and
    // reconnects as the frame does after a confirmed dialog.
    bool Confirm(const std::function<void(CCommDialog*)>& fill)
    {
        WhenModalShown([fill](QDialog* dialog) {
            fill(static_cast<CCommDialog*>(dialog));
            dialog->accept();
        });
        if (!RunCommunicationDialog(nullptr, doc, store))
            return false;
        frame.Post(MakeMessage(WM_TERMINAL, TC_APPLY_CONNECTION));
        return frame.PumpUntil([this] { return hub->IsConnectionOpen(); });
    }

    CMemorySettingsStore store;
    CKestronDoc doc;
    QuietWindow window;
    CPumpedTarget frame;
    std::unique_ptr<CDataHub> hub;
};

TEST(CommunicationConnects, PtyBoundToTheManualNumber)
{
    PtyPair pty;
    Terminal t;
    ASSERT_TRUE(t.Confirm([&pty](CCommDialog* d) {
        d->ModeBox()->setCurrentIndex(0);
        d->PortBox()->setCurrentIndex(0);
        TypeNumber(d->ManualPortEdit(), "231");
        d->DevicePathEdit()->setText(QString::fromStdString(pty.SlavePath()));
    }));
    EXPECT_EQ(t.doc.comPort, 231u);
    EXPECT_EQ(t.store.Read("Ports", "COM231"), pty.SlavePath());
    t.hub->SendText("ping^M");
    // The driver thread hands notifications to the frame synchronously: keep
    // pumping while the bytes travel.
    std::string got;
    for (int i = 0; i < 100 && got.size() < 5; ++i) {
        t.frame.Pump();
        got += pty.ReadMaster(30);
    }
    EXPECT_EQ(got, "ping\r");
}

TEST(CommunicationConnects, TcpServerOnLoopback)
{
    Listener server;
    Terminal t;
    ASSERT_TRUE(t.Confirm([&server](CCommDialog* d) {
        d->ModeBox()->setCurrentIndex(1); // IPv4 TCP Client
        d->HostEdit()->setText("127.0.0.1");
        TypeNumber(d->PortEdit(), QString::number(server.Port()));
    }));
    EXPECT_EQ(t.doc.commMode, 1u);
    EXPECT_EQ(t.doc.ipPort, server.Port());
    t.hub->SendText("hello");
    EXPECT_EQ(server.Read(3000), "hello");
}

} // namespace
