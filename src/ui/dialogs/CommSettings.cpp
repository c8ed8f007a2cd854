// CommSettings: copying the connection settings in and out of the document.
#include "ui/dialogs/CommSettings.h"

#include "document/KestronDoc.h"

#include <algorithm>

namespace kestrelon {

CommSettings CommSettings::FromDocument(const CKestronDoc& doc)
{
    CommSettings s;
    s.commMode = doc.commMode;
    s.comPort = doc.comPort;
    s.comPortManual = doc.comPortManual;
    s.baudIndex = CKestronDoc::BaudRateIndex(doc.dcb.BaudRate);
    s.flowControl = doc.HasHardwareHandshake() ? FLOW_HARDWARE : FLOW_NONE;
    s.dataBits = doc.dcb.ByteSize;
    s.parity = doc.dcb.Parity;
    s.stopBits = doc.dcb.StopBits;
    s.ipServer = doc.ipServer;
    s.ipPort = doc.ipPort;
    s.bridgeMode = doc.bridgeMode;
    s.bridgeServer = doc.bridgeServer;
    s.bridgePort = doc.bridgePort;
    s.remoteSerial = doc.remoteSerialPort && (doc.commMode == 1 || doc.commMode == 4);
    return s;
}

void CommSettings::ApplyTo(CKestronDoc& doc) const
{
    doc.commMode = commMode;
    doc.comPort = comPort;
    doc.comPortManual = comPortManual;
    doc.dcb.BaudRate = kBaudRates[static_cast<std::size_t>(std::clamp(baudIndex, 0, BAUD_TABLE_SIZE - 1))];
    doc.dcb.ByteSize = static_cast<std::uint8_t>(dataBits);
    doc.dcb.Parity = static_cast<std::uint8_t>(parity);
    doc.dcb.StopBits = static_cast<std::uint8_t>(stopBits);
    doc.SetHardwareHandshake(flowControl == FLOW_HARDWARE);
    doc.ipServer = ipServer;
    doc.ipPort = ipPort;
    doc.bridgeMode = bridgeMode;
    doc.bridgeServer = bridgeServer;
    doc.bridgePort = bridgePort;
    doc.remoteSerialPort = remoteSerial;
    doc.SetModifiedFlag();
}

} // namespace kestrelon
