// Entry point of the kestrelon program: `kestrelon [FILE.kst]` opens the main
// window on a new terminal configuration or on the named file; `kestrelon
// --demo` connects the new configuration to the demo device. The
// configuration, `--nmea-json`, `--render-terminal`, `--send`, `--receive` and
// `--script` commands run without a display, and so do `--help` and `--version`.
#include "app/CommandLine.h"
#include "app/RenderTerminalCommand.h"
#include "app/ScriptCommand.h"
#include "app/SessionBus.h"
#include "app/TransferCommand.h"
#include "gps/NmeaJson.h"
#include "ui/config/ConfigJson.h"
#include "ui/frame/KestronApp.h"
#include "ui/frame/QtSettingsStore.h"
#include "ui/frame/SignalQuit.h"

#include <QApplication>
#include <QIcon>

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
    kestrelon::CKestronApp kestron;
    if (!kestron.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    // A logout, kill or Ctrl+C ends the program as File > Exit would.
    kestrelon::CSignalQuit signalQuit([&kestron] { kestron.QuitWithoutQuestions(); });
    return app.exec();
}
