// Adapters from the hub's link interfaces to the drivers.
#include "core/DriverLinks.h"

namespace kestrelon {

namespace {

class CInertSerialLink : public ISerialLink {
public:
    void Open(std::uint32_t, const DCB&) override {}
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool GetState(DCB&) const override { return false; }
    void SetBaudRate(std::uint32_t) override {}
    void Write(const std::uint8_t*, std::size_t) override {}
    void Quit() override {}
};

class CInertIpLink : public IIpLink {
public:
    bool Start(std::uint32_t, const std::string&, std::uint32_t, std::string& error) override
    {
        error = "IP connections are not available";
        return false;
    }
    void Stop() override {}
    void CloseConnection() override {}
    bool IsListening() const override { return false; }
    bool IsConnected() const override { return false; }
    void OnConnected(std::intptr_t) override {}
    void OnDisconnected() override {}
    void Send(const std::uint8_t*, std::size_t) override {}
    std::string PeerName() const override { return {}; }
};

} // namespace

std::unique_ptr<ISerialLink> MakeSerialLink(IMessageTarget&, ISettingsStore&)
{
    return std::make_unique<CInertSerialLink>();
}

std::unique_ptr<IIpLink> MakeIpLink(IMessageTarget&) { return std::make_unique<CInertIpLink>(); }

} // namespace kestrelon
