// Do-nothing window and connections for running the data hub headless at full
// speed: the receive-path benchmarks and fuzz targets drive CDataHub through
// these, so only the path under measurement does any work.
#pragma once

#include "hub/HubLinks.h"
#include "document/HubWindow.h"

#include <cstdint>
#include <string>

namespace kestrelon {

class CQuietHubWindow : public IHubWindow {
public:
    void SetLedState(LedRole, int) override {}
    void BlinkLed(LedRole, int, int) override {}
    void AlternateLed(LedRole, int, int, int, int) override {}
    void SetStatusPanes(std::uint32_t) override {}
    void SetPaneText(PaneId, const std::string&) override {}
    void EnableFunctionKeys(bool) override {}
    void RefreshFunctionKeys() override {}
    bool ShowPortFailureDialog(const std::string&) override { return false; }
    void ShowMessageBox(const std::string&, MessageBoxIcon) override {}
    void PostCommand(int) override {}
    void Beep() override {}
    void FocusActiveView() override {}
    int ActiveView() const override { return 0; }
    bool IsGpsBarVisible() const override { return false; }
    void FeedGps(std::uint8_t) override {}
};

// A serial link that writes nowhere; `open` says whether it claims to be open,
// so that sends in serial mode take their whole path.
class CNoSerialLink : public ISerialLink {
public:
    explicit CNoSerialLink(bool open = false) : m_open(open) {}
    void Open(std::uint32_t, const DCB&) override {}
    void Close() override {}
    bool IsOpen() const override { return m_open; }
    bool GetState(DCB&) const override { return false; }
    void SetBaudRate(std::uint32_t) override {}
    void Write(const std::uint8_t*, std::size_t) override {}
    void Quit() override {}

private:
    bool m_open;
};

class CNoIpLink : public IIpLink {
public:
    bool Start(std::uint32_t, const std::string&, std::uint32_t, std::string&) override { return true; }
    void Stop() override {}
    void CloseConnection() override {}
    bool IsListening() const override { return false; }
    bool IsConnected() const override { return false; }
    void OnConnected(std::intptr_t) override {}
    void OnDisconnected() override {}
    void Send(const std::uint8_t*, std::size_t) override {}
    std::string PeerName() const override { return {}; }
};

} // namespace kestrelon
