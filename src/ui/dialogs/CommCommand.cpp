// The Setup > Communication command: the port list from the enumeration, the
// dialog run on the document, the write-back and the device alias.
#include "ui/dialogs/CommDialog.h"

#include "serial/ComPortEnumerator.h"
#include "document/KestronDoc.h"
#include "document/LocalEndpoint.h"
#include "document/SettingsStore.h"

namespace kestrelon {

namespace {
std::string AliasKey(std::uint32_t number) { return "COM" + std::to_string(number); }

QString ReadAlias(const ISettingsStore& store, std::uint32_t number)
{
    const auto path = store.Read(kPortAliasGroup, AliasKey(number));
    return path ? QString::fromStdString(*path) : QString();
}

// The typed path becomes the alias of the manual number; clearing the field
// removes the alias. Nothing is written when the field was left as it was.
void StoreAlias(ISettingsStore& store, std::uint32_t number, const QString& path)
{
    if (path == ReadAlias(store, number))
        return;
    if (path.isEmpty())
        store.Remove(kPortAliasGroup, AliasKey(number));
    else
        store.Write(kPortAliasGroup, AliasKey(number), path.toStdString());
}
} // namespace

std::vector<CommPortItem> ListCommPorts(ISettingsStore& store)
{
    std::vector<CommPortItem> items;
    for (const CComPortInfo& port : CComPortEnumerator(store).List())
        items.push_back({port.number, port.name});
    return items;
}

bool RunCommunicationDialog(QWidget* parent, CKestronDoc& doc, ISettingsStore& store, const std::string& configPath)
{
    CCommDialog dialog(ListCommPorts(store), parent);
    CommSettings given = CommSettings::FromDocument(doc);
    const CLocalEndpoint endpoint = LoadLocalEndpoint(store, configPath);
    given.listenAddress = endpoint.listenAddress;
    given.udpLocalPort = endpoint.udpLocalPort;
    dialog.SetSettings(given);
    dialog.SetAliasLookup([&store](std::uint32_t number) { return ReadAlias(store, number); });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const CommSettings settings = dialog.Settings();
    if (settings.comPortManual)
        StoreAlias(store, settings.comPort, dialog.AliasPath());
    settings.ApplyTo(doc);
    SaveLocalEndpoint(store, configPath,
                      {settings.listenAddress, static_cast<std::uint16_t>(settings.udpLocalPort)});
    return true;
}

} // namespace kestrelon
