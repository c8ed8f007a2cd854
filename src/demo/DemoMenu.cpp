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

constexpr Item kItems[] = {
    {"help", "the list of commands"},
    {"status", "LED, GPS, line speed and uptime"},
    {"led on|off", "switch the LED"},
    {"gps on|off", "NMEA sentences once a second (View > GPS Status Bar)"},
    {"flood N", "N numbered lines, as fast as the line takes them"},
    {"time", "ask the terminal for the UTC time (Scan commands on)"},
    {"log", "the terminal logs the next command's output"},
    {"login", "a login dialogue to try automatic answers on"},
};

std::string Lamp(int column, int row, std::string_view name, bool on)
{
    std::string text = At(column, row) + Sgr("1;37;44") + " " + std::string(name) + " " + Sgr("0") + " ";
    text += on ? Sgr("1;30;42") + " ON  " : Sgr("1;37;41") + " OFF ";
    return text + Sgr("0");
}

} // namespace

std::string DemoMenuScreen(bool led, bool gps)
{
    std::string screen = "\x1b[0m\x1b[2J";
    screen += Bar(0, "1;37;44", "  Kestrelon demo board                                                 Main menu");
    screen += At(2, 2) + Sgr("1;33") + "Type one of these commands at the prompt and press Enter:";
    int row = 4;
    for (const Item& item : kItems) {
        std::string command(item.command);
        command.resize(12, ' ');
        screen += At(4, row) + Sgr("1;36") + command + Sgr("0;37") + std::string(item.text);
        ++row;
    }
    screen += At(2, 14) + Sgr("1;33") + "Board state";
    screen += Lamp(4, 16, "LED", led);
    screen += Lamp(22, 16, "GPS", gps);
    screen += At(4, 18) + Sgr("0;32") + "Everything this board sends is blue in the ASCII view.";
    screen += Bar(21, "30;47", "  ASCII, hex and ANSI view show the same line: View menu or the toolbar");
    screen += At(0, 23) + Sgr("0");
    return screen;
}

} // namespace kestrelon
