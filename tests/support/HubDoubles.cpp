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

void CRecordingSerialLink::SetBaudRate(std::uint32_t baud)
{
    calls.push_back("baud " + std::to_string(baud));
    if (open)
        state.BaudRate = baud;
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

} // namespace kestrelon::test
