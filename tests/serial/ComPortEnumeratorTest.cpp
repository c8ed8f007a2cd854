// Port enumeration over fake sysfs and /dev trees: which devices count as
// present, their COM numbers and names, numbers that survive a replug, aliases,
// and the console left alone.
#include "serial/ComPortEnumerator.h"

#include "support/PtyPair.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kestrelon;
using kestrelon::test::TempDir;
using kestrelon::test::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

class FakeMachine {
public:
    FakeMachine()
    {
        fs::create_directories(Tty());
        fs::create_directories(m_dir.Path() / "dev" / "serial" / "by-id");
    }
    CPortTree Tree() const { return {(m_dir.Path() / "sys").string(), (m_dir.Path() / "dev").string()}; }
    std::string Dev(const std::string& name) const { return (m_dir.Path() / "dev" / name).string(); }

    // A 8250 line; type 0 is a line without a UART behind it.
    void AddUart(const std::string& name, int type)
    {
        const fs::path device = m_dir.Path() / "sys" / "devices" / "platform" / "serial8250" / name;
        fs::create_directories(device);
        fs::create_directories(Tty() / name);
        fs::create_directory_symlink(device, Tty() / name / "device");
        WriteFileBytes((Tty() / name / "type").string(), std::to_string(type) + "\n");
    }
    // A USB adapter: product attributes two levels above the tty's device.
    void AddUsb(const std::string& name, const std::string& usbDevice, const std::string& maker,
                const std::string& product, const std::string& byId)
    {
        const fs::path usb = m_dir.Path() / "sys" / "devices" / "pci0000:00" / "usb1" / usbDevice;
        const fs::path iface = usb / (usbDevice + ":1.0");
        fs::create_directories(iface / name);
        if (!product.empty())
            WriteFileBytes((usb / "product").string(), product + "\n");
        if (!maker.empty())
            WriteFileBytes((usb / "manufacturer").string(), maker + "\n");
        fs::create_directories(Tty() / name);
        fs::create_directory_symlink(iface / name, Tty() / name / "device");
        if (!byId.empty())
            fs::create_symlink("../../" + name, m_dir.Path() / "dev" / "serial" / "by-id" / byId);
    }
    void Unplug(const std::string& name, const std::string& byId)
    {
        fs::remove_all(Tty() / name);
        if (!byId.empty())
            fs::remove(m_dir.Path() / "dev" / "serial" / "by-id" / byId);
    }
    void AddVirtual(const std::string& name) { fs::create_directories(Tty() / name); }
    void SetConsole(const std::string& active)
    {
        fs::create_directories(Tty() / "console");
        WriteFileBytes((Tty() / "console" / "active").string(), active + "\n");
    }

private:
    fs::path Tty() const { return m_dir.Path() / "sys" / "class" / "tty"; }
    TempDir m_dir;
};

std::vector<CComPortInfo> Listed(CMemorySettingsStore& settings, const FakeMachine& machine)
{
    return CComPortEnumerator(settings, machine.Tree()).List();
}

} // namespace

TEST(ComPortEnumerator, ListsPresentPortsSortedWithNames)
{
    FakeMachine m;
    m.AddVirtual("tty0");
    m.AddVirtual("ptmx");
    m.AddUart("ttyS0", 4); // the console
    m.AddUart("ttyS1", 0); // no UART found
    m.AddUart("ttyS2", 4);
    m.AddUart("ttyS10", 4);
    m.AddUsb("ttyUSB0", "1-1", "FTDI", "FT232R USB UART", "usb-FTDI_FT232R_USB_UART_A1-if00-port0");
    m.AddUsb("ttyACM0", "1-2", "Raspberry Pi", "Pico", "usb-Raspberry_Pi_Pico_E66-if00");
    m.AddUsb("ttyUSB1", "1-3", "Prolific", "Prolific USB-Serial Controller", "");
    m.AddUsb("ttyACM1", "1-4", "", "", "");
    m.SetConsole("tty0 ttyS0");
    CMemorySettingsStore settings;

    const std::vector<CComPortInfo> expected = {
        {3, "COM3", m.Dev("ttyS2"), false},
        {11, "COM11", m.Dev("ttyS10"), false},
        {33, "COM33 - ttyACM0 (Raspberry Pi Pico)", m.Dev("ttyACM0"), false},
        {34, "COM34", m.Dev("ttyACM1"), false},
        {35, "COM35 - ttyUSB0 (FTDI FT232R USB UART)", m.Dev("ttyUSB0"), false},
        {36, "COM36 - ttyUSB1 (Prolific USB-Serial Controller)", m.Dev("ttyUSB1"), false},
    };
    EXPECT_EQ(Listed(settings, m), expected);

    std::vector<std::uint32_t> numbers = {99};
    std::vector<std::string> names = {"stale"};
    EXPECT_TRUE(EnumerateComPorts(numbers, names, settings, m.Tree()));
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{3, 11, 33, 34, 35, 36}));
    EXPECT_EQ(names[4], "COM35 - ttyUSB0 (FTDI FT232R USB UART)");
    EXPECT_EQ(CComPortEnumerator(settings, m.Tree()).FirstPort(), 3u);
}

TEST(ComPortEnumerator, AdapterKeepsItsNumberAcrossUnplugAndReplug)
{
    FakeMachine m;
    const std::string ftdi = "usb-FTDI_FT232R_USB_UART_A1-if00-port0";
    m.AddUsb("ttyUSB0", "1-1", "FTDI", "FT232R USB UART", ftdi);
    CMemorySettingsStore settings;
    ASSERT_EQ(Listed(settings, m).at(0).number, 33u);

    m.Unplug("ttyUSB0", ftdi);
    m.AddUsb("ttyUSB1", "1-2", "Silicon Labs", "CP2102 USB to UART Bridge", "usb-Silicon_Labs_CP2102_B7-if00-port0");
    EXPECT_EQ(Listed(settings, m),
              (std::vector<CComPortInfo>{
                  {34, "COM34 - ttyUSB1 (Silicon Labs CP2102 USB to UART Bridge)", m.Dev("ttyUSB1"), false}}))
        << "an unplugged adapter's number stays reserved";

    // Plugged back in, the kernel names it ttyUSB0 again or another name; its
    // by-id name is what it is known by.
    m.AddUsb("ttyUSB2", "1-3", "FTDI", "FT232R USB UART", ftdi);
    const auto ports = Listed(settings, m);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0], (CComPortInfo{33, "COM33 - ttyUSB2 (FTDI FT232R USB UART)", m.Dev("ttyUSB2"), false}));
    EXPECT_EQ(ports[1].number, 34u);
}

// A removed device is watched for at its return path: never at a pty's own
// number, which the next terminal opened on the machine takes.
TEST(ComPortEnumerator, PseudoTerminalHasNoReturnPath)
{
    test::PtyPair pty;
    TempDir dir;
    const std::string link = dir.File("board");
    fs::create_symlink(pty.SlavePath(), link);
    CMemorySettingsStore settings;
    const CComPortEnumerator enumerator(settings, CPortTree{});
    EXPECT_EQ(enumerator.ReturnPath(pty.SlavePath()), "");
    EXPECT_EQ(enumerator.ReturnPath(link), link) << "an alias link is remade by whoever owns it";
}

TEST(ComPortEnumerator, AliasesAreListedAndWinOverTheNumbering)
{
    FakeMachine m;
    m.AddUart("ttyS0", 4);
    m.AddUart("ttyS2", 4);
    m.SetConsole("ttyS0");
    m.AddUsb("ttyUSB0", "1-1", "FTDI", "FT232R USB UART", "usb-FTDI_A1");
    CMemorySettingsStore settings;
    settings.Write(kPortAliasGroup, "COM200", "/dev/pts/7");
    settings.Write(kPortAliasGroup, "COM3", "/tmp/link");
    settings.Write(kPortAliasGroup, "COM33", "/dev/ttyAMA0");
    settings.Write(kPortAliasGroup, "COM1", "/dev/ttyS0"); // the console, asked for explicitly
    settings.Write(kPortAliasGroup, "LPT1", "/dev/lp0");
    settings.Write(kPortAliasGroup, "COM300", "/dev/null");

    const std::vector<CComPortInfo> expected = {
        {1, "COM1 - /dev/ttyS0", "/dev/ttyS0", true},
        {3, "COM3 - /tmp/link", "/tmp/link", true},
        {33, "COM33 - /dev/ttyAMA0", "/dev/ttyAMA0", true},
        {34, "COM34 - ttyUSB0 (FTDI FT232R USB UART)", m.Dev("ttyUSB0"), false},
        {200, "COM200 - /dev/pts/7", "/dev/pts/7", true},
    };
    CComPortEnumerator ports(settings, m.Tree());
    EXPECT_EQ(ports.List(), expected);
    EXPECT_EQ((std::vector{ports.DevicePath(200), ports.DevicePath(3), ports.DevicePath(34), ports.DevicePath(2)}),
              (std::vector<std::string>{"/dev/pts/7", "/tmp/link", m.Dev("ttyUSB0"), ""}));

    settings.Remove(kPortAliasGroup, "COM1");
    EXPECT_EQ(ports.DevicePath(1), "") << "the console is never a port by default";
}

TEST(ComPortEnumerator, NoPortsGivesTwoEmptyListsAndTrue)
{
    FakeMachine m;
    m.AddVirtual("tty0");
    m.AddUart("ttyS0", 0);
    CMemorySettingsStore settings;
    std::vector<std::uint32_t> numbers = {1};
    std::vector<std::string> names = {"COM1"};
    EXPECT_TRUE(EnumerateComPorts(numbers, names, settings, m.Tree()));
    EXPECT_TRUE(numbers.empty());
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(CComPortEnumerator(settings, m.Tree()).FirstPort(), 0u);

    CPortTree missing{m.Tree().sysRoot + "/absent", m.Tree().devRoot + "/absent"};
    EXPECT_TRUE(EnumerateComPorts(numbers, names, settings, missing));
    EXPECT_TRUE(numbers.empty());
}

TEST(ComPortEnumerator, ParsesOnlyComNumbers)
{
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"COM1", 1}, {"com12", 12}, {"Com255", 255}, {"COM256", 0}, {"COM0", 0},    {"COM", 0},
        {"COMX", 0}, {"COM1a", 0},  {"COM 1", 0},    {"LPT1", 0},   {"COM0012", 0}, {"", 0},
    };
    for (const auto& [text, number] : cases)
        EXPECT_EQ(ParseComName(text), number) << text;
}
