// Recording doubles for the data hub's tests (window, view, connections); each
// records into one text so a test compares the whole story at once.
#pragma once

#include "document/DataChannel.h"
#include "hub/HubLinks.h"
#include "document/HubWindow.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace kestrelon::test {

// Printable bytes as they are, others as <n>: "ab<13><10>".
std::string Escape(const std::string& bytes);
std::string Escape(const std::uint8_t* data, std::size_t length);

// Blocks as [..], single bytes as <n>, other hints as {hint}; the colour is
// recorded apart, per byte, in `colours`.
class CRecordingView : public IDocumentView {
public:
    void OnUpdate(const CUpdateHint& hint) override;
    std::string events;
    std::string bytes;                // every byte received, in order
    std::vector<COLORREF> colours;    // one per byte
    std::vector<std::int32_t> blocks; // lengths of the blocks
};

class CRecordingWindow : public IHubWindow {
public:
    void SetLedState(LedRole led, int state) override
    {
        leds[led] = state;
        Call("led", {static_cast<int>(led), state});
    }
    void BlinkLed(LedRole led, int state, int cycles) override { Call("blink", {static_cast<int>(led), state, cycles}); }
    void AlternateLed(LedRole led, int a, int b, int rate, int count) override
    {
        Call("alternate", {static_cast<int>(led), a, b, rate, count});
    }
    void SetStatusPanes(std::uint32_t commMode) override { Call("panes", {static_cast<int>(commMode)}); }
    void SetPaneText(PaneId pane, const std::string& text) override
    {
        panes.emplace_back(pane, text);
        calls.push_back("pane " + std::to_string(pane) + " " + text);
    }
    void ShowStatusMessage(const std::string& text) override
    {
        calls.push_back("status " + text);
        statusMessage = text;
    }
    void EnableFunctionKeys(bool enable) override
    {
        fkeysEnabled = enable;
        calls.push_back(enable ? "fkeys on" : "fkeys off");
    }
    void RefreshFunctionKeys() override { calls.push_back("fkey captions"); }
    bool ShowPortFailureDialog(const std::string& detail) override
    {
        ++failureDialogs;
        failureDetail = detail;
        calls.push_back("failure dialog");
        return failureDialogAnswer;
    }
    void ShowMessageBox(const std::string& text, MessageBoxIcon icon) override
    {
        boxes.push_back(text);
        calls.push_back("box " + std::to_string(static_cast<int>(icon)) + " " + text);
    }
    void PostCommand(int command) override
    {
        commands.push_back(command);
        Call("command", {command});
    }
    void Beep() override
    {
        ++beeps;
        calls.push_back("beep");
    }
    void FocusActiveView() override { calls.push_back("focus"); }
    int ActiveView() const override { return 0; }
    bool IsGpsBarVisible() const override { return gpsVisible; }
    void FeedGps(std::uint8_t byte) override { gps.push_back(static_cast<char>(byte)); }

    std::string Pane(PaneId pane) const;
    int Led(LedRole led) const { return leds[led]; }

    std::vector<std::string> calls; // "led 3 4", "pane 59145 text", "fkeys 0" ...
    int leds[6] = {0, 0, 0, 0, 0, 0};
    std::vector<std::pair<PaneId, std::string>> panes;
    std::vector<std::string> boxes;
    std::vector<int> commands;
    bool fkeysEnabled = false;
    bool gpsVisible = false;
    bool failureDialogAnswer = false;
    std::string failureDetail;  // of the last failure dialog
    std::string statusMessage;  // the message pane
    int failureDialogs = 0;
    int beeps = 0;
    std::string gps;

private:
    // "name a b c": the call and its numbers.
    void Call(const std::string& name, std::initializer_list<int> numbers)
    {
        std::string call = name;
        for (const int n : numbers)
            call += " " + std::to_string(n);
        calls.push_back(call);
    }
};

class CRecordingSerialLink : public ISerialLink {
public:
    void Open(std::uint32_t port, const DCB& dcb) override;
    void Close() override { open = false, calls.push_back("close"); }
    bool IsOpen() const override { return open; }
    bool GetState(DCB& out) const override
    {
        out = state;
        return open;
    }
    void SetBaudRate(std::uint32_t baud) override;
    void Write(const std::uint8_t* data, std::size_t length) override
    {
        written.append(reinterpret_cast<const char*>(data), length);
    }
    // Paced bytes go to `written` too, and to `paced`; line actions go to
    // `written` in brackets, so the order of both shows.
    void WritePaced(const std::uint8_t* data, std::size_t length) override;
    void QueueLineAction(LineAction action, int waitMs) override;
    std::size_t PacedBytes() const override { return pacedLeft; }
    void CancelOutput() override { calls.push_back("cancel"); }
    void Quit() override { calls.push_back("quit"); }

    std::string paced;
    std::size_t pacedLeft = 0;
    bool open = false;
    bool opens = true; // Open succeeds
    DCB state{};
    std::string written;
    std::vector<std::string> calls;
};

class CRecordingIpLink : public IIpLink {
public:
    bool Start(std::uint32_t mode, const std::string& host, std::uint32_t port, std::string& error) override;
    void Stop() override
    {
        calls.push_back("stop");
        listening = connected = false;
    }
    void CloseConnection() override
    {
        calls.push_back("close connection");
        connected = false;
    }
    bool IsListening() const override { return listening; }
    bool IsConnected() const override { return connected; }
    void OnConnected(std::intptr_t) override { connected = true; }
    void OnDisconnected() override { connected = false; }
    void Send(const std::uint8_t* data, std::size_t length) override
    {
        sent.append(reinterpret_cast<const char*>(data), length);
    }
    // Waits go to `sent` in brackets, so their place among the bytes shows.
    void QueueWait(int ms) override { sent += "[WAIT=" + std::to_string(ms) + "]"; }
    std::string PeerName() const override { return peer; }

    bool listening = false;
    bool connected = false;
    std::string failure; // Start fails with this text when not empty
    std::string peer;
    std::string sent;
    std::vector<std::string> calls;
};

} // namespace kestrelon::test
