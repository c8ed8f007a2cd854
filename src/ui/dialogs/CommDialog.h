// Setup > Communication: connection mode, serial port and line settings, IP
// endpoint and bridge endpoint, with the controls a mode does not use disabled.
// A port that the list does not show is reached through the "Not listed" item:
// its number, and the device path that number stands for on this machine.
#pragma once

#include "ui/dialogs/CommSettings.h"

#include <QDialog>

#include <functional>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QRadioButton;

namespace kestrelon {

class CKestronDoc;
class CRangeSpinBox;
class ISettingsStore;

// One present port: its number and the name the list shows.
struct CommPortItem {
    std::uint32_t number = 0;
    std::string displayName; // "COM33 - ttyUSB0 (FTDI FT232R USB UART)"
};

class CCommDialog : public QDialog {
    Q_OBJECT
public:
    CCommDialog(const std::vector<CommPortItem>& ports, QWidget* parent = nullptr);

    void SetSettings(const CommSettings& settings);
    // The values as they stand; a disabled control that holds a value out of
    // range gives back what it was given.
    CommSettings Settings() const;

    // The device path bound to the manual port number, shown while "Not listed"
    // is chosen; empty when none.
    void SetAliasPath(const QString& path);
    QString AliasPath() const;
    // Fills the device path when the manual number changes.
    void SetAliasLookup(std::function<QString(std::uint32_t)> lookup);

    void accept() override;

    // Controls, for the frame's tests and for keyboard-free checks.
    QComboBox* ModeBox() const { return m_mode; }
    QComboBox* PortBox() const { return m_port; }
    CRangeSpinBox* ManualPortEdit() const { return m_manualPort; }
    QLineEdit* DevicePathEdit() const { return m_devicePath; }
    QComboBox* BaudBox() const { return m_baud; }
    QRadioButton* XonXoffRadio() const { return m_xonXoff; }
    QButtonGroup* FlowGroup() const { return m_flow; }
    CRangeSpinBox* DataBitsEdit() const { return m_dataBits; }
    QButtonGroup* ParityGroup() const { return m_parity; }
    QButtonGroup* StopBitsGroup() const { return m_stopBits; }
    QLineEdit* HostEdit() const { return m_host; }
    CRangeSpinBox* PortEdit() const { return m_ipPort; }
    QLineEdit* ListenAddressEdit() const { return m_listenAddress; }
    CRangeSpinBox* LocalPortEdit() const { return m_localPort; }
    QComboBox* BridgeModeBox() const { return m_bridgeMode; }
    QLineEdit* BridgeHostEdit() const { return m_bridgeHost; }
    CRangeSpinBox* BridgePortEdit() const { return m_bridgePort; }

private:
    // A listed port is used as listed: a number and device left beside it
    // would look as if they applied.
    void ClearManualFieldsIfListed();
    QWidget* BuildSerialGroup();
    QWidget* BuildLineGroup();
    QWidget* BuildIpGroup();
    QWidget* BuildBridgeGroup();
    void FillPortList(std::uint32_t port, bool manual);
    void ApplyModeRule();
    void ApplyBridgeRule();
    void OnPortChanged();
    bool IsManual() const;
    // `local`: the port choice too (a remote port has only the line settings).
    void SetSerialEnabled(bool enabled, bool local);

    std::vector<CommPortItem> m_ports;
    CommSettings m_given;
    std::function<QString(std::uint32_t)> m_aliasLookup;

    QComboBox* m_mode = nullptr;
    QComboBox* m_port = nullptr;
    CRangeSpinBox* m_manualPort = nullptr;
    QLineEdit* m_devicePath = nullptr;
    QComboBox* m_baud = nullptr;
    QRadioButton* m_xonXoff = nullptr;
    QButtonGroup* m_flow = nullptr;
    CRangeSpinBox* m_dataBits = nullptr;
    QButtonGroup* m_parity = nullptr;
    QButtonGroup* m_stopBits = nullptr;
    QLineEdit* m_host = nullptr;
    CRangeSpinBox* m_ipPort = nullptr;
    QLineEdit* m_listenAddress = nullptr;
    CRangeSpinBox* m_localPort = nullptr;
    QComboBox* m_bridgeMode = nullptr;
    QLineEdit* m_bridgeHost = nullptr;
    CRangeSpinBox* m_bridgePort = nullptr;
};

// The present ports as the list shows them (port enumeration plus aliases).
std::vector<CommPortItem> ListCommPorts(ISettingsStore& store);

// The Setup > Communication command: runs the dialog on the document's values;
// on OK writes them back, binds the manual number to the typed device path in
// the store's "Ports" group, and returns true. The caller then posts
// TC_APPLY_CONNECTION so the connection is made again with the new settings.
// The listen address and UDP local port are kept in `store` for `configPath`.
bool RunCommunicationDialog(QWidget* parent, CKestronDoc& doc, ISettingsStore& store, const std::string& configPath);

} // namespace kestrelon
