// The values of Setup > Communication as a plain record: connection mode, serial
// port and line settings, IP endpoint and bridge endpoint. Copied from the
// document before the dialog runs and written back when it is confirmed.
#pragma once

#include <cstdint>
#include <string>

namespace kestrelon {

class CKestronDoc;

constexpr std::uint32_t COM_PORT_MIN = 1;
constexpr std::uint32_t COM_PORT_MAX = 255;
constexpr int DATA_BITS_MIN = 4;
constexpr int DATA_BITS_MAX = 8;
constexpr int IP_HOST_MAX_CHARS = 100;

enum FlowControlChoice : int { FLOW_HARDWARE = 0, FLOW_NONE = 1 };

struct CommSettings {
    std::uint32_t commMode = 0;
    std::uint32_t comPort = 1;
    bool comPortManual = false;
    int baudIndex = 5; // into kBaudRates
    int flowControl = FLOW_HARDWARE;
    int dataBits = 8;
    int parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0; // 0 one, 1 one and a half, 2 two
    std::string ipServer = "localhost";
    std::uint32_t ipPort = 23;
    std::uint32_t bridgeMode = 0;
    std::string bridgeServer = "localhost";
    std::uint32_t bridgePort = 1818;
    // Kept per configuration in the settings store, not in the document.
    std::string listenAddress;     // a TCP server's, "" for every address
    std::uint32_t udpLocalPort = 0; // 0: the IP-Port
    bool remoteSerial = false; // a TCP client (mode 1 or 4) that is a remote serial port

    bool operator==(const CommSettings&) const = default;

    // A rate the table does not hold shows as 9600: the dialog can only offer
    // table rates, and confirming stores the one shown.
    static CommSettings FromDocument(const CKestronDoc& doc);
    // Stores every value, sets the flow-control bits and marks the document
    // modified. The caller then posts TC_APPLY_CONNECTION to reconnect.
    void ApplyTo(CKestronDoc& doc) const;
};

// The dialog's kind after the document's seven modes: a TCP client that is a
// remote serial port.
constexpr int REMOTE_SERIAL_KIND = 7;

// Connection modes whose host field means nothing: a server only listens.
constexpr bool IsServerMode(std::uint32_t mode) { return mode == 2 || mode == 5; }
// Bridge modes 0 and 2 connect out and need a host; 1 and 3 listen.
constexpr bool IsBridgeClientMode(std::uint32_t mode) { return mode == 0 || mode == 2; }

} // namespace kestrelon
