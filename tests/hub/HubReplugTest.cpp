// A pulled adapter mid-session: reported without a dialog, sends meanwhile
// reported as not sent, and the same device reopened once it is back (a new
// pty under the alias link or the /dev/serial/by-id name).
#include "serial/ComPortEnumerator.h"
#include "serial/KesFileDriver.h"
#include "hub/ConnectionTexts.h"
#include "hub/DriverHubFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace kestrelon::test {
namespace {

namespace fs = std::filesystem;

struct ReplugCase {
    const char* name;
    bool byId; // enumerated with a by-id name (else an alias link)
};
void PrintTo(const ReplugCase& c, std::ostream* os) { *os << c.name; }

class Replug : public DriverHubFixture, public ::testing::TestWithParam<ReplugCase> {
protected:
    Replug()
    {
        fs::create_directories(dir.Path() / "sys" / "class" / "tty");
        fs::create_directories(dir.Path() / "dev" / "serial" / "by-id");
        Plug(first, "ttyUSB0");
        if (GetParam().byId) {
            doc.comPort = CComPortEnumerator(settings, Tree()).FirstPort();
        } else {
            settings.Write(kPortAliasGroup, "COM200", Alias());
        }
        hub->SerialDriver()->SetPortTree(Tree());
    }
    CPortTree Tree() const { return {(dir.Path() / "sys").string(), (dir.Path() / "dev").string()}; }
    std::string Alias() const { return (dir.Path() / "adapter").string(); }
    // The device appears as `tty`: a sysfs entry, a /dev node and its by-id
    // name (enumerated), or the alias link.
    void Plug(PtyPair& pty, const std::string& tty)
    {
        if (GetParam().byId) {
            fs::create_directories(dir.Path() / "sys" / "class" / "tty" / tty / "device");
            fs::create_symlink(pty.SlavePath(), dir.Path() / "dev" / tty);
            fs::create_symlink("../../" + tty, dir.Path() / "dev" / "serial" / "by-id" / "usb-Maker_Adapter-if00");
        } else {
            fs::create_symlink(pty.SlavePath(), Alias());
        }
    }
    void Pull(PtyPair& pty, const std::string& tty)
    {
        pty.CloseMaster();
        fs::remove_all(dir.Path() / "sys" / "class" / "tty" / tty);
        fs::remove(dir.Path() / "dev" / tty);
        fs::remove(dir.Path() / "dev" / "serial" / "by-id" / "usb-Maker_Adapter-if00");
        fs::remove(Alias());
    }
    std::string Pane() const { return window.Pane(PANE_CONNECTION); }

    PtyPair first;
};

TEST_P(Replug, RemovedDeviceIsReportedAndReopenedWhenBack)
{
    std::string bridged; // what a bridge peer would get: the device's bytes only
    hub->SetBridgeForward([&](const std::uint8_t* data, std::size_t n) { bridged.append((const char*)data, n); });
    hub->ApplyConnection();
    const std::string com = "COM" + std::to_string(doc.comPort);
    ASSERT_TRUE(PumpUntil([&] { return Pane() == com + ": 9600, 8N1"; })) << Pane();
    const std::string path = GetParam().byId ? (dir.Path() / "dev" / "ttyUSB0").string() : Alias();

    Pull(first, "ttyUSB0");
    const std::string removed = "Device removed: " + com + " (" + path + ")";
    ASSERT_TRUE(PumpUntil([&] { return Pane() == removed; })) << Pane();
    EXPECT_EQ(window.Led(LED_DATA), 2);
    for (LedRole line : {LED_CTS, LED_DSR, LED_CD})
        EXPECT_EQ(window.Led(line), 1) << "a gone device's line " << line << " shows no state";
    EXPECT_EQ(window.failureDialogs, 0);
    EXPECT_NE(view.bytes.find(removed), std::string::npos);

    hub->SendText("while gone");
    ASSERT_TRUE(PumpUntil([&] { return view.bytes.find(kNotSentText) != std::string::npos; }));

    PtyPair second;
    Plug(second, "ttyUSB1");
    ASSERT_TRUE(PumpUntil([&] { return Pane() == "Device back: " + com; })) << Pane();
    EXPECT_NE(view.bytes.find("Device back: " + com), std::string::npos);
    EXPECT_EQ(window.failureDialogs, 0);
    hub->SendText("after");
    EXPECT_EQ(second.ReadMaster(2000, 5), "after") << "nothing of the absence was kept";
    ASSERT_TRUE(second.WriteMaster("hi"));
    ASSERT_TRUE(PumpUntil([&] { return view.bytes.size() >= 2 && view.bytes.substr(view.bytes.size() - 2) == "hi"; }));
    EXPECT_EQ(bridged, "hi");
}

INSTANTIATE_TEST_SUITE_P(Names, Replug, ::testing::Values(ReplugCase{"AliasLink", false}, ReplugCase{"ById", true}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrelon::test
