// The program's fixed texts by their string number: pane texts, prompts, error
// texts and dialog lines. Plain C++, so model code may use it too.
#pragma once

#include <string_view>

namespace kestrelon {

enum StringId : int {
    IDS_GPS_STATUS = 2061,
    IDS_VERSION_LINE = 4096, // "Kestrelon, Version %s"
    IDS_FILE_ACCESS_ERROR = 4106,
    IDS_UNKNOWN_ERROR = 4107,
    IDS_ZERO_LENGTH_FILE = 4110,
    IDS_COM_NOT_OPENED = 4111,
    IDS_SCREEN_1 = 32778,
    IDS_APP_NAME = 57344,
    IDS_IDLE_PROMPT = 57345,
    IDS_PORT_FAILURE = 143, // text of the COM-port failure dialog
    IDS_PORT_FAILURE_SETUP = 144,
};

// The text of string `id`; empty when there is none.
std::string_view LoadString(int id);
// The status-bar prompt of a command: the text before "\n".
std::string_view CommandPrompt(int command);
// The tooltip of a command: the text after "\n".
std::string_view CommandTip(int command);

} // namespace kestrelon
