// DemoMenuScreen: a title bar, the commands in colour, the state of the LED
// and the GPS in boxes, and a bottom bar; the prompt follows below it.
#include "demo/DemoMenu.h"

#include <string_view>

namespace kestrelon {

namespace {

constexpr int kColumns = 80;

std::string At(int column, int row)
{
    return "\x1b[" + std::to_string(column) + ";" + std::to_string(row) + "H";
}

std::string Sgr(std::string_view fields)
{
    return "\x1b[" + std::string(fields) + "m";
}

// A row-wide bar; the write wraps the cursor to the next row.
std::string Bar(int row, std::string_view colours, std::string_view text)
{
    std::string padded(text);
    padded.resize(kColumns, ' ');
    return At(0, row) + Sgr(colours) + padded + Sgr("0");
}

struct Item {
    std::string_view command;
    std::string_view text;
};

// Short texts: the whole menu fits the 60 x 18 cells a new window shows.
constexpr Item kItems[] = {
    {"help", "the list of commands"},
    {"status", "LED, GPS, line speed and uptime"},
    {"led on|off", "switch the LED"},
    {"gps on|off", "NMEA sentences once a second"},
    {"flood N", "N numbered lines at full speed"},
    {"time", "ask the terminal for the UTC time"},
    {"log", "the terminal logs the next output"},
    {"login", "try automatic answers on it"},
};

std::string Lamp(int column, int row, std::string_view name, bool on)
{
    std::string text = At(column, row) + Sgr("1;37;44") + " " + std::string(name) + " " + Sgr("0") + " ";
    text += on ? Sgr("1;37;42") + " ON  " : Sgr("1;37;41") + " OFF ";
    return text + Sgr("0");
}

} // namespace

std::string DemoMenuScreen(bool led, bool gps)
{
    std::string screen = "\x1b[0m\x1b[2J";
    screen += Bar(0, "1;37;44", "  Kestrelon demo board - main menu");
    screen += At(2, 2) + Sgr("1;33") + "Type a command at the prompt and press Enter:";
    int row = 4;
    for (const Item& item : kItems) {
        std::string command(item.command);
        command.resize(12, ' ');
        screen += At(4, row) + Sgr("1;36") + command + Sgr("0;37") + std::string(item.text);
        ++row;
    }
    screen += At(2, 13) + Sgr("1;33") + "Board state";
    screen += Lamp(16, 13, "LED", led);
    screen += Lamp(32, 13, "GPS", gps);
    screen += Bar(15, "30;47", "  Back to the lines: View > ASCII View");
    screen += At(0, 17) + Sgr("0");
    return screen;
}

} // namespace kestrelon
