// The VT100 status page: a title bar across the screen, a box of line-drawing
// characters with the board's values in bold, and a footer. Nothing is wider
// than 40 columns or lower than 15 rows: the board cannot know the terminal's
// size, so the page must not wrap or overlap in a small window.
#include "demo/DemoVtStatus.h"

namespace kestrelon {

namespace {

constexpr int kBoxLeft = 3;
constexpr std::size_t kBoxWidth = 34; // inside the corners
constexpr int kBoxTop = 5;

std::string At(int row, int column)
{
    return "\033[" + std::to_string(row) + ";" + std::to_string(column) + "H";
}

// One line of the box: its label, then the value in bold, padded to the width.
std::string BoxRow(int row, const std::string& label, const std::string& value)
{
    std::string text = "  " + label + ": ";
    const std::size_t used = text.size() + value.size();
    const std::string pad(used < kBoxWidth ? kBoxWidth - used : 0, ' ');
    return At(row, kBoxLeft) + "\033(0x\033(B" + text + "\033[1m" + value + "\033[0m" + pad + "\033(0x\033(B";
}

} // namespace

std::string DemoVtStatusScreen(const CDemoVtStatus& status)
{
    const std::string rule(kBoxWidth, 'q');
    std::string screen = "\033[0m\033[H\033[2J";
    // Title: white on blue, the blue carried to the row's end by the erase
    // (erased cells take the current background), whatever the width.
    screen += At(1, 1) + "\033[1;37;44m Kestrelon demo board - status\033[K\033[0m";
    screen += At(kBoxTop, kBoxLeft) + "\033(0l" + rule + "k\033(B";
    screen += BoxRow(kBoxTop + 1, "LED", status.led ? "on" : "off");
    screen += BoxRow(kBoxTop + 2, "GPS", status.gps ? "on" : "off");
    screen += BoxRow(kBoxTop + 3, "Line", std::to_string(status.baud) + " baud");
    screen += BoxRow(kBoxTop + 4, "Up", std::to_string(status.uptimeSeconds) + " s");
    screen += At(kBoxTop + 5, kBoxLeft) + "\033(0m" + rule + "j\033(B";
    screen += At(kBoxTop + 7, 1) + "\033[4mled on|off\033[0m and \033[4mgps on|off\033[0m change it;";
    screen += At(kBoxTop + 8, 1) + "\033[4mvtstatus\033[0m draws it again.";
    screen += At(kBoxTop + 10, 1);
    return screen;
}

} // namespace kestrelon
