// Entry point of the kestrelon program: `kestrelon [FILE.kst]` opens the main
// window on a new terminal configuration or on the named file; `kestrelon
// --demo` connects the new configuration to the demo device, and the line
// options (--device, --tcp, --tcp-server, --udp, --rfc2217) put it on that
// line. The configuration, `--nmea-json`, `--render-terminal`, `--send`,
// `--receive` and `--script` commands run without a display, and so do
// `--help` and `--version`.
#include "app/CommandLine.h"
#include "app/RemoteSerialOption.h"
#include "app/RenderTerminalCommand.h"
#include "app/ScriptCommand.h"
#include "app/SessionBus.h"
#include "app/TransferCommand.h"
#include "app/WindowOptions.h"
#include "gps/NmeaJson.h"
#include "hub/DataHub.h"
#include "ui/config/ConfigJson.h"
#include "ui/frame/KestronApp.h"
#include "ui/frame/QtSettingsStore.h"
#include "ui/frame/SignalQuit.h"

#include <QApplication>
#include <QFile>
#include <QIcon>

#include <algorithm>
#include <string_view>

int main(int argc, char* argv[])
{
    // The configuration and NMEA commands run headless, before any display is opened.
    bool handled = false;
    if (const int code = kestrelon::RunConfigCommand(argc, argv, handled); handled)
        return code;
    if (const int code = kestrelon::RunNmeaJsonCommand(argc, argv, handled); handled)
        return code;
    if (const int code = kestrelon::RunRenderTerminalCommand(argc, argv, handled); handled)
        return code;
    // So do the transfers from scripts; COM aliases come from the user's profile.
    const auto profileStore = [] {
        return std::make_unique<kestrelon::CQtSettingsStore>(
            QSettings(QStringLiteral("Varnoth"), QStringLiteral("Kestrelon")));
    };
    if (const int code = kestrelon::RunTransferCommand(argc, argv, handled, profileStore); handled)
        return code;
    if (const int code = kestrelon::RunScriptCommand(argc, argv, handled, profileStore); handled)
        return code;
    // The window's remote serial port, taken out before the other line options
    // since its --baud is its own.
    int remoteCode = 0;
    const auto remote = kestrelon::TakeRemoteSerialOption(argc, argv, stderr, handled, remoteCode);
    if (handled)
        return remoteCode;
    // The window's line options leave the command line here; what is left is
    // the file, --demo and Qt's options, as before.
    kestrelon::CWindowOptions windowOptions;
    if (std::string error; !kestrelon::TakeWindowOptions(argc, argv, windowOptions, error))
        return kestrelon::RefuseCommandLine(error.c_str(), stderr);
    if (remote && windowOptions.line.lines > 0)
        return kestrelon::RefuseCommandLine("name one line: --device, --com, --tcp, --tcp-server, --udp or --rfc2217",
                                            stderr);
    if (!windowOptions.config.empty() && kestrelon::CountFileArguments(argc, argv) > 0)
        return kestrelon::RefuseCommandLine("name one configuration file: --config or FILE.kst", stderr);
    if ((windowOptions.line.lines > 0 || remote) &&
        std::any_of(argv + 1, argv + argc, [](const char* a) { return std::string_view(a) == "--demo"; }))
        return kestrelon::RefuseCommandLine("--demo names its own line", stderr);
    // Last before the window: --help, --version and options nobody knows.
    if (const int code = kestrelon::CheckCommandLine(argc, argv, KESTRELON_VERSION, stdout, stderr, handled); handled)
        return code;
    kestrelon::SkipFutileBusLaunch();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelon"));
    QApplication::setOrganizationName(QStringLiteral("Varnoth"));
    QApplication::setApplicationVersion(QStringLiteral(KESTRELON_VERSION));
    // The desktop file names the program, so that a window manager that groups
    // windows by it shows the installed icon.
    QApplication::setDesktopFileName(QStringLiteral("kestrelon"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/data/kestrelon-48.png")));
    QStringList arguments = QApplication::arguments().mid(1);
    if (!windowOptions.config.empty())
        arguments << QFile::decodeName(windowOptions.config.c_str());
    kestrelon::CKestronApp kestron;
    if (!kestron.InitInstance(arguments))
        return 1;
    // The opened configuration's connection is applied once the event loop
    // runs, so the line named here is the one opened.
    if (std::string error; !kestrelon::ApplyWindowLine(windowOptions.line, kestron.Document(), kestron.PortStore(), error))
        kestron.ShowError(QString::fromStdString(error));
    if (remote) // applied with the new document's settings, once the events run
        kestrelon::ApplyRemoteSerialOption(*remote, kestron.Document());
    // --local-port holds for this session; the configuration keeps its own.
    if (kestrelon::CDataHub* hub = kestron.MainFrame()->Hub(); hub && windowOptions.line.localPort != 0) {
        kestrelon::CLocalEndpoint endpoint =
            kestrelon::LoadLocalEndpoint(kestron.Store(), QFile::encodeName(kestron.PathName()).toStdString());
        endpoint.udpLocalPort = static_cast<std::uint16_t>(windowOptions.line.localPort);
        hub->SetLocalEndpoint(endpoint);
    }
    // A logout, kill or Ctrl+C ends the program as File > Exit would.
    kestrelon::CSignalQuit signalQuit([&kestron] { kestron.QuitWithoutQuestions(); });
    return app.exec();
}
