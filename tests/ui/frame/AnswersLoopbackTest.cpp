// Automatic answers and function keys against a live peer: the data hub with its
// real IP connection talks to a TCP server on 127.0.0.1 played by the test.
#include "automation/AutoAnswer.h"
#include "ui/frame/FunctionKeyBar.h"
#include "hub/DataHub.h"
#include "hub/HubWindow.h"
#include "document/KestronDoc.h"
#include "document/SettingsStore.h"
#include "framework/PumpedTarget.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <ostream>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

using namespace kestrelon;

namespace {

// A TCP server on 127.0.0.1 with one peer: the device at the far end.
class LoopbackPeer {
public:
    LoopbackPeer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), size) != 0 || ::listen(m_listen, 1) != 0)
            ADD_FAILURE() << "cannot listen on 127.0.0.1";
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
    }
    ~LoopbackPeer()
    {
        for (int fd : {m_peer, m_listen})
            if (fd >= 0)
                ::close(fd);
    }
    std::uint16_t Port() const { return m_port; }
    bool Accept(int timeoutMs = 5000)
    {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return false;
        m_peer = ::accept(m_listen, nullptr, nullptr);
        return m_peer >= 0;
    }
    void Write(const std::string& bytes)
    {
        ASSERT_EQ(::send(m_peer, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    }
    // What arrives within the time, once `count` bytes are there or it passes;
    // `frame` is pumped meanwhile so the hub can do its work.
    std::string Read(std::size_t count, CPumpedTarget& frame, int timeoutMs = 3000)
    {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            frame.Pump();
            QApplication::processEvents();
            pollfd p{m_peer, POLLIN, 0};
            if (::poll(&p, 1, 10) == 1) {
                char buffer[256];
                const ssize_t n = ::recv(m_peer, buffer, sizeof buffer, 0);
                if (n <= 0)
                    break;
                got.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return got;
    }

private:
    int m_listen = -1;
    int m_peer = -1;
    std::uint16_t m_port = 0;
};

// The window as the hub sees it: function keys and focus go to real widgets,
// everything else is ignored.
class KeyWindow : public IHubWindow {
public:
    CFunctionKeyBar* bar = nullptr;
    QWidget* view = nullptr;
    void SetLedState(LedRole, int) override {}
    void BlinkLed(LedRole, int, int) override {}
    void AlternateLed(LedRole, int, int, int, int) override {}
    void SetStatusPanes(std::uint32_t) override {}
    void SetPaneText(PaneId, const std::string&) override {}
    void EnableFunctionKeys(bool enable) override
    {
        if (bar != nullptr)
            bar->EnableFkeys(enable);
    }
    void RefreshFunctionKeys() override
    {
        if (bar != nullptr)
            bar->RefreshFkeyBar();
    }
    bool ShowPortFailureDialog() override { return false; }
    void ShowMessageBox(const std::string& text, MessageBoxIcon) override { messages.push_back(text); }
    void PostCommand(int) override {}
    void Beep() override {}
    void FocusActiveView() override
    {
        if (view != nullptr)
            view->setFocus();
    }
    int ActiveView() const override { return 0; }
    bool IsGpsBarVisible() const override { return false; }
    void FeedGps(std::uint8_t) override {}
    std::vector<std::string> messages;
};

// Bytes as the views see them, with their colour.
struct ShownBytes : IDocumentView {
    void OnUpdate(const CUpdateHint& hint) override
    {
        if (hint.hint == HINT_BYTE || hint.hint == HINT_BLOCK)
            for (std::int32_t i = 0; i < hint.length; ++i)
                (hint.colour == SEND_COLOUR ? text += char(std::tolower(hint.data[i])) : text += char(hint.data[i]));
    }
    std::string text; // received as sent, echoed in lower case
};

class LiveTerminal {
public:
    LiveTerminal()
    {
        frame.SetPumpThread(std::this_thread::get_id());
        frame.SetHandler([this](CMessage& m) { return hub.HandleMessage(m); });
        doc.SetFrameTarget(&frame);
        doc.AddView(&shown);
        doc.commMode = 1; // IPv4 TCP client
        doc.ipServer = "127.0.0.1";
        doc.ipPort = peer.Port();
        hub.SetAnswerMatcher(
            [this](const std::uint8_t* data, std::size_t length) { matcher.MatchBlock(data, length); });
    }
    ~LiveTerminal() { frame.Close(); }
    bool Connect()
    {
        hub.ApplyConnection();
        return peer.Accept() && frame.PumpUntil([this] { return hub.IsConnectionOpen(); });
    }

    LoopbackPeer peer;
    CKestronDoc doc;
    CMemorySettingsStore settings;
    KeyWindow window;
    ShownBytes shown;
    CPumpedTarget frame;
    CDataHub hub{doc, window, settings, frame};
    CAutoAnswer matcher{doc};
};

struct AnswerCase {
    const char* name;
    std::string answer;
    bool crToCrLfOnSend;
    bool echo;
    std::string received;
    std::string answered;
};

// Test names and failure reports show the case by its name.
void PrintTo(const AnswerCase& c, std::ostream* os)
{
    *os << c.name;
}

class LiveAnswers : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(LiveAnswers, LoginRuleAnswersThePeer)
{
    const AnswerCase& c = GetParam();
    LiveTerminal t;
    t.doc.autoAnswerOn = true;
    t.doc.triggerByte = 32;
    t.doc.crToCrLfOnSend = c.crToCrLfOnSend;
    t.doc.autoAnswerEcho = c.echo ? 1 : 0;
    t.doc.SetAutoAnswers({"login:", c.answer, "login: ", "never"});
    ASSERT_TRUE(t.Connect());
    t.peer.Write(c.received);
    EXPECT_EQ(t.peer.Read(c.answered.size(), t.frame), c.answered);
    EXPECT_EQ(t.peer.Read(1, t.frame, 200), "") << "nothing more";
}

INSTANTIATE_TEST_SUITE_P(
    Login, LiveAnswers,
    // "^m" is the line end, widened to CR LF by CR -> CR/LF on send; "^M" is
    // the control character CR itself and always goes out alone.
    ::testing::Values(AnswerCase{"LineEnd", "guest^m", false, false, "login: ", "guest\r"},
                      AnswerCase{"LineEndCrLfOnSend", "guest^m", true, false, "login: ", "guest\r\n"},
                      AnswerCase{"ControlCr", "guest^M", false, false, "login: ", "guest\r"},
                      AnswerCase{"ControlCrStaysAlone", "guest^M", true, false, "login: ", "guest\r"},
                      AnswerCase{"NoTriggerNoAnswer", "guest^M", false, false, "login:", ""},
                      AnswerCase{"EchoThenAnswer", "guest^M", false, true, "login: ", "login: guest\r"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LiveAnswers, AnswerFollowsTheWholeBlock)
{
    LiveTerminal t;
    t.doc.autoAnswerOn = true;
    t.doc.triggerByte = 32;
    t.doc.localEcho = true;
    t.doc.SetAutoAnswers({"login:", "GUEST^M"});
    ASSERT_TRUE(t.Connect());
    t.peer.Write("login: rest of block");
    EXPECT_EQ(t.peer.Read(6, t.frame), "GUEST\r");
    // The echo of the answer (lower case here) comes after every received byte.
    EXPECT_EQ(t.shown.text, "login: rest of blockguest\r");
}

TEST(LiveFunctionKeys, KeySendsDecodedTextAndGivesTheViewTheFocus)
{
    LiveTerminal t;
    QWidget window;
    auto* view = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    auto* bar = new CFunctionKeyBar(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(view);
    layout->addWidget(other);
    layout->addWidget(bar);
    t.window.bar = bar;
    t.window.view = view;
    QObject::connect(bar, &CFunctionKeyBar::SendTextRequested, [&t](const std::string& text) { t.hub.SendText(text); });
    QObject::connect(bar, &CFunctionKeyBar::FocusViewRequested, [&t] { t.window.FocusActiveView(); });
    t.doc.fkeyLabel[0] = "Dial";
    t.doc.fkeyCommand[0] = "ATD\\0x31^M^[";
    t.doc.fkeyLabel[1] = "Nothing";
    bar->SetDocument(&t.doc);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    EXPECT_FALSE(bar->KeyButton(0)->isEnabled()) << "no connection yet";
    ASSERT_TRUE(t.Connect());
    EXPECT_TRUE(bar->KeyButton(0)->isEnabled());

    for (const auto& [key, expected] : std::vector<std::pair<int, std::string>>{{1, ""}, {0, "ATD1\r\x1B"}}) {
        other->setFocus();
        QTest::mouseClick(bar->KeyButton(key), Qt::LeftButton);
        EXPECT_EQ(t.peer.Read(expected.size(), t.frame, expected.empty() ? 200 : 3000), expected) << key;
        EXPECT_TRUE(view->hasFocus()) << key;
    }
}

} // namespace
