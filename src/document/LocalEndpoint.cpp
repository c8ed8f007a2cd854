// The local endpoint in the settings store: groups "ListenAddress" and
// "UdpLocalPort", one value per configuration path, removed at the defaults.
#include "document/LocalEndpoint.h"

#include "document/ConfigSettings.h"

#include <arpa/inet.h>
#include <charconv>

namespace kestrelon {

bool IsListenAddress(const std::string& text, bool ipv6)
{
    unsigned char address[sizeof(in6_addr)];
    return text.empty() || inet_pton(ipv6 ? AF_INET6 : AF_INET, text.c_str(), address) == 1;
}

CLocalEndpoint LoadLocalEndpoint(const ISettingsStore& store, const std::string& configPath)
{
    CLocalEndpoint endpoint;
    const std::string key = ConfigSettingsKey(configPath);
    if (const auto address = store.Read(LISTEN_ADDRESS_GROUP, key); address && (IsListenAddress(*address, false) || IsListenAddress(*address, true)))
        endpoint.listenAddress = *address;
    if (const auto port = store.Read(UDP_LOCAL_PORT_GROUP, key)) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port->data(), port->data() + port->size(), value);
        if (error == std::errc{} && end == port->data() + port->size() && value <= 65535)
            endpoint.udpLocalPort = static_cast<std::uint16_t>(value);
    }
    return endpoint;
}

void SaveLocalEndpoint(ISettingsStore& store, const std::string& configPath, const CLocalEndpoint& endpoint)
{
    const std::string key = ConfigSettingsKey(configPath);
    if (endpoint.listenAddress.empty())
        store.Remove(LISTEN_ADDRESS_GROUP, key);
    else
        store.Write(LISTEN_ADDRESS_GROUP, key, endpoint.listenAddress);
    if (endpoint.udpLocalPort == 0)
        store.Remove(UDP_LOCAL_PORT_GROUP, key);
    else
        store.Write(UDP_LOCAL_PORT_GROUP, key, std::to_string(endpoint.udpLocalPort));
}

} // namespace kestrelon
