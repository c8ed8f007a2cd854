// File transfers through the real main window offscreen: lrzsz on the far end
// of a pty line bound to a COM number, the Send and Receive dialogs answered
// by the test, and the ends a user sees (cancel, remote cancel, time-out).
#include "document/KestronDoc.h"
#include "document/Messages.h"
#include "document/SettingsStore.h"
#include "framework/MessageCarrier.h"
#include "hub/DataHub.h"
#include "serial/KesFileDriver.h"
#include "support/EventWait.h"
#include "support/NamedRows.h"
#include "support/PtyPair.h"
#include "support/SocketTestKit.h"
#include "support/TempDir.h"
#include "transfer/TransferCodes.h"
#include "transfer/TransferPeer.h"
#include "ui/dialogs/ReceiveFileDialog.h"
#include "ui/dialogs/SendFileDialog.h"
#include "ui/dialogs/TransferStatusDialog.h"
#include "ui/frame/FrameTransfers.h"
#include "ui/frame/FrameFixture.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrelon {
namespace {

using namespace std::chrono_literals;
using test::PrintTo;

using test::ReadFileBytes;
using test::WriteFileBytes;

class TransferWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store.Write("Ports", "COM231", device.SlavePath());
        doc.commMode = 0;
        doc.comPort = 231;
        doc.comPortManual = true;
    }
    void TearDown() override { frame.reset(); }

    void OpenWindow()
    {
        OpenWindowWith([this] { return Driver().IsOpen() && frame->Action(ID_FILE_SEND)->isEnabled(); });
    }

    // The window as a TCP client of a loopback listener; returns the accepted socket.
    test::Fd ConnectAsClient(test::Fd& listener)
    {
        std::uint16_t port = 0;
        listener = test::Listen(AF_INET, port, 1);
        doc.commMode = 1;
        doc.ipServer = "127.0.0.1";
        doc.ipPort = port;
        OpenWindowWith([this] { return frame->Action(ID_FILE_SEND)->isEnabled(); });
        return test::Accept(listener);
    }

    void OpenWindowWith(const std::function<bool()>& ready)
    {
        frame.reset();
        profile = std::make_unique<QSettings>(QString::fromStdString(dir.File("profile.ini")), QSettings::IniFormat);
        frame = std::make_unique<CMainFrame>(doc, profile.get(), &store);
        test::UsePlaceholderViews(*frame);
        frame->SetDialogRunner([this](QDialog& dialog) { return Answer(dialog); });
        frame->SetSaveFileChooser([this](const QString&) { return saveAs; });
        frame->Create();
        frame->SwitchView(0);
        frame->Hub()->ApplyConnection();
        ASSERT_TRUE(WaitUntil(ready));
    }

    int Answer(QDialog& dialog)
    {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            messages.push_back(box->text().toStdString());
            return QMessageBox::Ok;
        }
        auto* pick = qobject_cast<CTransferPickDialog*>(&dialog);
        if (!pick)
            return QDialog::Rejected;
        offered = pick->ProtocolList()->count();
        if (!browseTo.isEmpty()) {
            pick->SetBrowser([this](QWidget*, const QString&) { return browseTo; });
            pick->BrowseButton()->click();
        }
        if (protocol >= 0)
            pick->ProtocolList()->setCurrentIndex(pick->ProtocolList()->findData(protocol));
        if (auto* receive = qobject_cast<CReceiveFileDialog*>(pick))
            receive->FileNameEdit()->setText(saveAs);
        pick->OkButton()->click();
        return dialog.result();
    }

    bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s)
    {
        return test::WaitFor(done, static_cast<int>(limit.count()));
    }

    // A YModem receive into the test's directory.
    void StartReceive()
    {
        browseTo = QString::fromStdString(dir.Path().string());
        protocol = PROTOCOL_YMODEM;
        frame->OnCommand(ID_FILE_RECEIVE);
    }

    CKesFileDriver& Driver() { return *frame->Hub()->SerialDriver(); }
    bool Idle() { return !Driver().IsTransferBusy(); }

    test::TempDir dir;
    test::PtyPair device; // the driver's side; the far side is the test's or a peer's
    CKestronDoc doc;
    CMemorySettingsStore store;
    std::unique_ptr<QSettings> profile;
    std::unique_ptr<CMainFrame> frame;
    std::vector<std::string> messages;
    QString browseTo;
    QString saveAs;
    int protocol = -1;
    int offered = 0;
};

TEST_F(TransferWindowTest, RemoteCancelAndSilenceEachShowTheirMessage)
{
    OpenWindow();
    StartReceive();
    ASSERT_TRUE(device.WriteMaster("\x18\x18"));
    ASSERT_TRUE(WaitUntil([this] { return Idle() && !messages.empty(); }, 5s));
    EXPECT_EQ(messages, std::vector<std::string>{"Transfer cancelled by remote system !"});
    EXPECT_EQ(frame->MainStatusBar()->PaneText(0), QStringLiteral("Receive failed: cancelled by the remote side"));

    messages.clear();
    Driver().SetTransferClockScale(1000); // a minute of silence in well under a second
    frame->OnCommand(ID_FILE_RECEIVE);
    ASSERT_TRUE(WaitUntil([this] { return Idle() && !messages.empty(); }, 10s));
    EXPECT_EQ(messages, std::vector<std::string>{"The remote system does not answer (timeout) !"});

    messages.clear();
    Driver().SetTransferClockScale(1);
    frame->OnCommand(ID_FILE_RECEIVE); // a batch without a file
    EXPECT_EQ(device.ReadMaster(2000).substr(0, 1), "C");
    ASSERT_TRUE(device.WriteMaster(test::Block(0, std::string(1024, '\0'))));
    ASSERT_TRUE(WaitUntil([this] { return Idle() && !messages.empty(); }, 5s));
    EXPECT_EQ(messages, std::vector<std::string>{"no file received"});
    device.ReadMaster(100); // its ACK

    messages.clear();
    frame->OnCommand(ID_FILE_RECEIVE);
    ASSERT_TRUE(Driver().IsTransferBusy());
    EXPECT_EQ(device.ReadMaster(2000).substr(0, 1), "C");
    device.CloseMaster(); // the device is unplugged mid-transfer
    ASSERT_TRUE(WaitUntil([this] { return Idle() && !messages.empty(); }, 5s));
    EXPECT_EQ(messages, std::vector<std::string>{"The connection was lost during the transfer !"});
}

// A missing folder is refused with the reason; the one received into is kept
// across a restart.
TEST_F(TransferWindowTest, ReceiveDirectoryIsCheckedAndKeptAcrossARestart)
{
    OpenWindow();
    browseTo = QString::fromStdString(dir.File("missing"));
    protocol = PROTOCOL_YMODEM;
    frame->OnCommand(ID_FILE_RECEIVE);
    EXPECT_TRUE(Idle());
    EXPECT_EQ(messages, std::vector<std::string>{"Cannot receive into " + dir.File("missing") + "/: No such file or directory"});
    StartReceive();
    frame->Transfers()->EndNow();
    OpenWindow();
    EXPECT_EQ(frame->Transfers()->ReceiveDirectory(), QString::fromStdString(dir.Path().string() + "/"));
}

TEST_F(TransferWindowTest, TypedKeysStayHomeAndClosingEndsTheTransfer)
{
    OpenWindow();
    StartReceive();
    ASSERT_TRUE(Driver().IsTransferBusy());
    device.ReadMaster(100); // the first requests
    frame->Hub()->TypedCharacter('x');
    const std::string line = device.ReadMaster(300);
    EXPECT_EQ(line.find('x'), std::string::npos);
    frame->close();
    EXPECT_FALSE(Driver().IsTransferBusy());
    EXPECT_TRUE(messages.empty());
}

// True once something listens on the port (probing with a connect would use
// up a one-shot listener).
bool Listening(int port)
{
    std::ifstream table("/proc/net/tcp");
    char wanted[16];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    for (std::string line; std::getline(table, line);)
        if (line.find(std::string(wanted) + " 00000000:0000 0A") != std::string::npos)
            return true;
    return false;
}

// How the window reaches the lrzsz program at the far end: a pty line bound to
// a COM number, or TCP with socat giving the program a pty.
enum class Link { Pty, TcpClient, TcpServer };

struct PeerCase {
    const char* name;
    Link link;
    bool send;
    int protocol;
    const char* program; // run in the far directory
    std::size_t size;    // a whole number of blocks for XModem, which pads the last one
};

class TransferWithPeer : public TransferWindowTest, public ::testing::WithParamInterface<PeerCase> {};

TEST_P(TransferWithPeer, FileArrivesWholeAndTheDialogTellsHow)
{
    const PeerCase& c = GetParam();
    std::filesystem::create_directories(dir.Path() / "far");
    std::filesystem::create_directories(dir.Path() / "near");
    const std::string data = test::RandomBytes(c.size, 7);
    const std::string nearFile = dir.File("near/data.bin");
    const std::string farFile = dir.File("far/data.bin");
    WriteFileBytes(c.send ? nearFile : farFile, data);
    test::PtyPair peerLine;
    std::optional<test::CLineRelay> relay;
    std::optional<test::CPeerProcess> peer;
    // The program itself on the pty line, or socat at `address` giving it one.
    const auto startPeer = [&](const std::string& address) {
        std::vector<std::string> args{"socat", address, "EXEC:'" + std::string(c.program) + "',pty,raw,echo=0"};
        if (address.empty()) {
            args.clear();
            for (const QString& arg : QString::fromLatin1(c.program).split(QLatin1Char(' ')))
                args.push_back(arg.toStdString());
        }
        peer.emplace(args, address.empty() ? peerLine.SlavePath() : "", dir.File("far"));
    };
    const int port = test::FreePort();
    if (c.link == Link::Pty) {
        relay.emplace(device.Master(), peerLine.Master(), false);
        OpenWindow();
        startPeer("");
    } else {
        doc.commMode = c.link == Link::TcpServer ? 2 : 1;
        doc.ipServer = "127.0.0.1";
        doc.ipPort = static_cast<std::uint32_t>(port);
        if (c.link == Link::TcpClient) {
            startPeer("TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr");
            ASSERT_TRUE(WaitUntil([port] { return Listening(port); }, 5s));
        }
        OpenWindowWith([this] { return frame->Action(ID_TOGGLE_COMMUNICATION) != nullptr; });
        if (c.link == Link::TcpServer)
            startPeer("TCP:127.0.0.1:" + std::to_string(port));
        ASSERT_TRUE(WaitUntil([this] { return frame->Action(ID_FILE_SEND)->isEnabled(); }, 10s));
    }
    protocol = c.protocol;
    browseTo = QString::fromStdString(c.send ? nearFile : dir.File("near"));
    saveAs = QStringLiteral("data.bin");
    frame->OnCommand(c.send ? ID_FILE_SEND : ID_FILE_RECEIVE);
    ASSERT_NE(frame->Transfers()->StatusDialog(), nullptr);
    EXPECT_FALSE(frame->Action(ID_FILE_SEND)->isEnabled());
    ASSERT_TRUE(WaitUntil([this] { return !frame->Transfers()->IsBusy(); }, 60s));
    EXPECT_EQ(frame->Transfers()->StatusDialog(), nullptr);
    EXPECT_TRUE(messages.empty());
    if (c.link == Link::Pty) {
        EXPECT_EQ(peer->Wait(10000), 0);
    }
    EXPECT_TRUE(ReadFileBytes(c.send ? farFile : nearFile) == data) << "file differs";
    const CTransferFields fields = frame->Transfers()->LastStatus()->Fields();
    EXPECT_EQ(fields.protocol, CTransferStatus::ProtocolName(static_cast<std::uint64_t>(c.protocol)));
    EXPECT_EQ(fields.errorChecking, "CRC");
    EXPECT_EQ(fields.transferred, std::to_string(c.size / 1024) + " KBytes");
    // A TCP peer hangs up once its program ends, and says so in the same pane.
    if (c.link == Link::Pty) {
        const QString result = frame->MainStatusBar()->PaneText(0);
        const QString expected = QStringLiteral("%1 data.bin: %2 bytes in ").arg(c.send ? "Sent" : "Received").arg(c.size);
        EXPECT_TRUE(result.startsWith(expected)) << result.toStdString();
        EXPECT_TRUE(WaitUntil([this] { return frame->Action(ID_FILE_RECEIVE)->isEnabled(); }));
    }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Lrzsz, TransferWithPeer,
    ::testing::Values(PeerCase{"YModemToRbOnPty", Link::Pty, true, PROTOCOL_YMODEM, "rb", 64 * 1024 + 321},
                      PeerCase{"XModem1kFromSxOnPty", Link::Pty, false, PROTOCOL_XMODEM_1K, "sx -k data.bin", 64 * 1024},
                      PeerCase{"YModemToRbAsClient", Link::TcpClient, true, PROTOCOL_YMODEM, "rb", 40000},
                      PeerCase{"XModem1kFromSxAsServer", Link::TcpServer, false, PROTOCOL_XMODEM_1K, "sx -k data.bin", 32768}),
    test::RowName);
// clang-format on

// File > New while an IP transfer runs: the transfer ends, its thread
// joined, before the new document's connection replaces the socket.
TEST_F(TransferWindowTest, NewDocumentEndsTheIpTransferBeforeTheSocketCloses)
{
    test::Fd listener;
    const test::Fd remote = ConnectAsClient(listener);
    StartReceive();
    ASSERT_TRUE(frame->Transfers()->IsBusy());
    ASSERT_TRUE(doc.OnNewDocument());
    doc.comPort = 231; // the new document's line: the test's pty
    doc.comPortManual = true;
    CMessage announced = MakeMessage(WM_TERMINAL, TC_NEW_SETTINGS, 0);
    frame->Hub()->HandleMessage(announced);
    EXPECT_FALSE(frame->Transfers()->IsBusy());
    EXPECT_EQ(frame->Transfers()->StatusDialog(), nullptr);
    EXPECT_TRUE(WaitUntil([this] { return Driver().IsOpen(); }, 5s));
    EXPECT_TRUE(messages.empty());
}

// A plain send over TCP only writes: what the peer answers meanwhile is shown.
TEST_F(TransferWindowTest, PlainSendOverTcpShowsThePeersReplies)
{
    test::Fd listener;
    const test::Fd remote = ConnectAsClient(listener);
    std::string shown; // as the answer matcher sees it
    doc.autoAnswerOn = true;
    frame->Hub()->SetAnswerMatcher([&shown](const std::uint8_t* data, std::size_t size) {
        shown.append(reinterpret_cast<const char*>(data), size);
    });
    const std::string data = test::RandomBytes(256 * 1024, 9);
    WriteFileBytes(dir.File("plain.bin"), data);
    protocol = PROTOCOL_NONE;
    browseTo = QString::fromStdString(dir.File("plain.bin"));
    frame->OnCommand(ID_FILE_SEND);
    ASSERT_TRUE(frame->Transfers()->IsBusy() && test::WriteAll(remote.Get(), "reply"));
    std::string received;
    std::thread reader([&] { received = test::ReadSome(remote.Get(), data.size(), 20000); });
    EXPECT_TRUE(WaitUntil([&] { return !frame->Transfers()->IsBusy() && shown == "reply"; }, 30s)) << shown;
    reader.join();
    EXPECT_TRUE(received == data && messages.empty()) << received.size() << " bytes";
}

// A plain send over UDP to a peer on a loopback address of its own, on the
// port the terminal is bound to as well: whole, cancelled midway, or stopped at
// once with the reason shown when the host name does not resolve.
struct UdpSendCase {
    const char* name;
    const char* host;
    bool cancel;
};

class SendOverUdp : public TransferWindowTest, public ::testing::WithParamInterface<UdpSendCase> {};

TEST_P(SendOverUdp, DatagramsCarryTheFileOrStop)
{
    const UdpSendCase& c = GetParam();
    const bool reachable = std::string(c.host) == "127.0.0.2";
    const int port = test::FreePort();
    doc.commMode = 3;
    doc.ipServer = c.host;
    doc.ipPort = static_cast<std::uint32_t>(port);
    OpenWindowWith([this] { return frame->Action(ID_FILE_SEND)->isEnabled(); });
    EXPECT_FALSE(frame->Action(ID_FILE_RECEIVE)->isEnabled());
    const int peer = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0), on = 1;
    setsockopt(peer, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(0x7F000002)}, {}};
    ASSERT_EQ(bind(peer, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string data = test::RandomBytes(c.cancel ? 8 << 20 : 100 * 1024 + 77, 13);
    WriteFileBytes(dir.File("fw.bin"), data);
    browseTo = QString::fromStdString(dir.File("fw.bin"));
    frame->OnCommand(ID_FILE_SEND);
    EXPECT_EQ(offered, 1);
    std::string received;
    char buffer[2048];
    const auto drained = [&] {
        for (ssize_t n; (n = recv(peer, buffer, sizeof buffer, 0)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
        return !frame->Transfers()->IsBusy();
    };
    if (c.cancel) {
        ASSERT_TRUE(WaitUntil([&] { return drained() || received.size() >= 4096; }, 10s));
        frame->Transfers()->StatusDialog()->CancelButton()->click();
        EXPECT_TRUE(WaitUntil([this] { return !frame->Transfers()->IsBusy(); }, 500ms));
    }
    ASSERT_TRUE(WaitUntil(drained, 30s));
    EXPECT_TRUE(messages.empty());
    if (reachable)
        EXPECT_TRUE(c.cancel ? received.size() < data.size() : received == data) << received.size() << " bytes";
    else
        EXPECT_EQ(frame->MainStatusBar()->PaneText(0), QStringLiteral("Host not found"));
    EXPECT_TRUE(WaitUntil([this] { return frame->Action(ID_FILE_SEND)->isEnabled(); }));
    close(peer);
}

const UdpSendCase kUdpSends[] = {
    {"Whole", "127.0.0.2", false},
    {"Cancelled", "127.0.0.2", true},
    {"NoSuchHost", "nothing.invalid", false},
};

INSTANTIATE_TEST_SUITE_P(Loopback, SendOverUdp, ::testing::ValuesIn(kUdpSends), test::RowName);

} // namespace
} // namespace kestrelon
