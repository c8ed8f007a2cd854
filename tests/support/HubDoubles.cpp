// Recording doubles of the data hub's tests.
#include "support/HubDoubles.h"

namespace kestrelon::test {

std::string Escape(const std::uint8_t* data, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint8_t c = data[i];
        if (c >= 32 && c < 127 && c != '<' && c != '[' && c != ']')
            out.push_back(static_cast<char>(c));
        else
            out += "<" + std::to_string(c) + ">";
    }
    return out;
}

std::string Escape(const std::string& bytes)
{
    return Escape(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void CRecordingView::OnUpdate(const CUpdateHint& hint)
{
    switch (hint.hint) {
    case HINT_BYTE:
        events += "<" + std::to_string(hint.value) + ">";
        bytes.push_back(static_cast<char>(hint.value));
        colours.push_back(hint.colour);
        break;
    case HINT_BLOCK:
        events += "[" + Escape(hint.data, static_cast<std::size_t>(hint.length)) + "]";
        bytes.append(reinterpret_cast<const char*>(hint.data), static_cast<std::size_t>(hint.length));
        colours.insert(colours.end(), static_cast<std::size_t>(hint.length), hint.colour);
        blocks.push_back(hint.length);
        break;
    default:
        events += "{" + std::to_string(hint.hint) + "}";
        break;
    }
}

void CRecordingWindow::SetLedState(LedRole led, int state)
{
    leds[led] = state;
    calls.push_back("led " + std::to_string(led) + " " + std::to_string(state));
}

void CRecordingWindow::BlinkLed(LedRole led, int state, int cycles)
{
    calls.push_back("blink " + std::to_string(led) + " " + std::to_string(state) + " " + std::to_string(cycles));
}

void CRecordingWindow::AlternateLed(LedRole led, int a, int b, int rate, int count)
{
    calls.push_back("alternate " + std::to_string(led) + " " + std::to_string(a) + " " + std::to_string(b) + " " +
                    std::to_string(rate) + " " + std::to_string(count));
}

void CRecordingWindow::SetStatusPanes(std::uint32_t commMode)
{
    calls.push_back("panes " + std::to_string(commMode));
}

void CRecordingWindow::SetPaneText(PaneId pane, const std::string& text)
{
    panes.emplace_back(pane, text);
    calls.push_back("pane " + std::to_string(pane) + " " + text);
}

void CRecordingWindow::EnableFunctionKeys(bool enable)
{
    fkeysEnabled = enable;
    calls.push_back(enable ? "fkeys on" : "fkeys off");
}

void CRecordingWindow::RefreshFunctionKeys()
{
    calls.push_back("fkey captions");
}

bool CRecordingWindow::ShowPortFailureDialog(const std::string& detail)
{
    ++failureDialogs;
    failureDetail = detail;
    calls.push_back("failure dialog");
    return failureDialogAnswer;
}

void CRecordingWindow::ShowMessageBox(const std::string& text, MessageBoxIcon icon)
{
    boxes.push_back(text);
    calls.push_back("box " + std::to_string(static_cast<int>(icon)) + " " + text);
}

void CRecordingWindow::PostCommand(int command)
{
    commands.push_back(command);
    calls.push_back("command " + std::to_string(command));
}

void CRecordingWindow::Beep()
{
    ++beeps;
    calls.push_back("beep");
}

void CRecordingWindow::FocusActiveView()
{
    calls.push_back("focus");
}

std::string CRecordingWindow::Pane(PaneId pane) const
{
    for (auto it = panes.rbegin(); it != panes.rend(); ++it)
        if (it->first == pane)
            return it->second;
    return "(unset)";
}

void CRecordingSerialLink::Open(std::uint32_t port, const DCB& dcb)
{
    calls.push_back("open " + std::to_string(port) + " " + std::to_string(dcb.BaudRate));
    open = opens;
    state = dcb;
}

bool CRecordingSerialLink::GetState(DCB& out) const
{
    out = state;
    return open;
}

void CRecordingSerialLink::SetBaudRate(std::uint32_t baud)
{
    calls.push_back("baud " + std::to_string(baud));
    if (open)
        state.BaudRate = baud;
}

void CRecordingSerialLink::Write(const std::uint8_t* data, std::size_t length)
{
    written.append(reinterpret_cast<const char*>(data), length);
}

void CRecordingSerialLink::WritePaced(const std::uint8_t* data, std::size_t length)
{
    Write(data, length);
    paced.append(reinterpret_cast<const char*>(data), length);
}

void CRecordingSerialLink::QueueLineAction(LineAction action, int waitMs)
{
    static const char* const kNames[] = {"DTR=0", "DTR=1", "RTS=0", "RTS=1", "BREAK", "WAIT="};
    written += std::string("[") + kNames[static_cast<int>(action)];
    if (action == LineAction::Wait)
        written += std::to_string(waitMs);
    written += "]";
}

bool CRecordingIpLink::Start(std::uint32_t mode, const std::string& host, std::uint32_t port, std::string& error)
{
    calls.push_back("start " + std::to_string(mode) + " " + host + ":" + std::to_string(port));
    if (!failure.empty()) {
        error = failure;
        return false;
    }
    listening = mode == 2 || mode == 3 || mode == 5 || mode == 6;
    return true;
}

void CRecordingIpLink::Stop()
{
    calls.push_back("stop");
    listening = connected = false;
}

void CRecordingIpLink::CloseConnection()
{
    calls.push_back("close connection");
    connected = false;
}

void CRecordingIpLink::Send(const std::uint8_t* data, std::size_t length)
{
    sent.append(reinterpret_cast<const char*>(data), length);
}

} // namespace kestrelon::test
