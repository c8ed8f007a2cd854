// The string table: every fixed text of the program, by number.
#include "ui/frame/StringTable.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestrelon {

namespace {

using Entry = std::pair<int, std::string_view>;

// Sorted by number, so lookups are a binary search.
constexpr std::array kStrings{
    Entry{143, "COM port could not be opened or configured. Port is not available, in use or does not "
               "support one or more adjusted parameters (usually the Baud rate)."},
    Entry{144, "Setup Data Communication"},
    Entry{2061, "GPS Status"},
    Entry{4096, "Kestrelon, Version %d.%d.%d.%d"},
    Entry{4106, "Error on accessing the file !"},
    Entry{4107, "Unknown error occured !"},
    Entry{4110, "The selected file has zero length !"},
    Entry{4111, "COM not opened"},
    Entry{32771, "Setup used font\nFont"},
    Entry{32772, "Setup function keys\nFunction Keys"},
    Entry{32773, "Setup data communication\nCommunication"},
    Entry{32774, "Setup terminal\nTerminal"},
    Entry{32775, "Switch to ASCII view\nASCII View"},
    Entry{32777, "Switch to hex view\nHex View"},
    Entry{32778, "Screen 1"},
    Entry{32779, "Show or hide the function keys\nToggle Function Keys"},
    Entry{32780, "Send a file to the remote system.\nSend file"},
    Entry{32781, "Receive a file from the remote system.\nReceive file"},
    Entry{32782, "Delete the data buffer and clear the screen\nReset Screen"},
    Entry{32783, "Start or stop logging data to disc file\nToggle logging"},
    Entry{32784, "Select the whole text\nSelect All"},
    Entry{32786, "Start or stop autoscroll\nToggle Autoscroll"},
    Entry{32787, "Start or Stop communication\nToggle Communication"},
    Entry{32788, "Show or hide the GPS status bar\nToggle GPS Status Bar"},
    Entry{32789, "Setup auto answers\nAuto Answer"},
    Entry{32790, "Start or stop auto answer\nToggle Auto Answer"},
    Entry{32791, "Enable or disable bridge mode\nToggle Bridge Mode"},
    Entry{32793, "Switch to ANSI view\nANSI View"},
    Entry{32810, "Save everything the view shows to a text file\nSave Output"},
    Entry{32811, "Copy everything the view shows\nCopy All"},
    Entry{32812, "Find text in the view\nFind"},
    Entry{32813, "Find the next match\nFind Next"},
    Entry{32814, "Find the previous match\nFind Previous"},
    Entry{32815, "Show the arrival time at the start of each line\nTimestamps"},
    Entry{32830, "Switch to the terminal view for programs such as vi, less and top\nTerminal View"},
    // Prompts of the standard commands.
    Entry{57344, "Kestrelon"},
    Entry{57345, "For Help, press F1"},
    Entry{57600, "Create a new document\nNew"},
    Entry{57601, "Open an existing document\nOpen"},
    Entry{57603, "Save the active document\nSave"},
    Entry{57604, "Save the active document with a new name\nSave As"},
    Entry{57606, "Change the printing options\nPage Setup"},
    Entry{57607, "Print the active document\nPrint"},
    Entry{57609, "Display full pages\nPrint Preview"},
    Entry{57634, "Copy the selection and put it on the Clipboard\nCopy"},
    Entry{57637, "Insert Clipboard contents\nPaste"},
    Entry{57664, "Display program information, version number and copyright\nAbout"},
    Entry{57665, "Quit the application; prompts to save documents\nExit"},
    Entry{57667, "List Help topics\nHelp Topics"},
    Entry{57669, "Display help for clicked on buttons, menus and windows\nHelp"},
    Entry{59137, "CAP"},
    Entry{59138, "NUM"},
    Entry{59144, "Varnoth"},
    Entry{59145, "No COM opened"},
    Entry{59146, "     CTS"},
    Entry{59147, "     DSR"},
    Entry{59148, "     CD"},
    Entry{59149, "     Data"},
    Entry{59150, "     Server"},
    Entry{59151, "     Bridge"},
    Entry{59152, "Peer"},
    Entry{59153, "No log"},
    Entry{59392, "Show or hide the toolbar\nToggle ToolBar"},
    Entry{59393, "Show or hide the status bar\nToggle StatusBar"},
};

static_assert(std::is_sorted(kStrings.begin(), kStrings.end(),
                             [](const Entry& a, const Entry& b) { return a.first < b.first; }));

} // namespace

std::string_view LoadString(int id)
{
    auto it = std::lower_bound(kStrings.begin(), kStrings.end(), id,
                               [](const Entry& entry, int key) { return entry.first < key; });
    return it != kStrings.end() && it->first == id ? it->second : std::string_view();
}

std::string_view CommandPrompt(int command)
{
    const std::string_view text = LoadString(command);
    return text.substr(0, text.find('\n'));
}

std::string_view CommandTip(int command)
{
    const std::string_view text = LoadString(command);
    const auto newline = text.find('\n');
    return newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
}

} // namespace kestrelon
