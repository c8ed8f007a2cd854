// Entry point of the kestrelon program: `kestrelon [FILE.kst]` opens the main
// window on a new terminal configuration or on the named file; the
// configuration and `--nmea-json` commands run without a display.
#include "ui/config/ConfigJson.h"
#include "ui/frame/KestronApp.h"
#include "ui/frame/SignalQuit.h"
#include "gps/NmeaJson.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The configuration and NMEA commands run headless, before any display is opened.
    bool handled = false;
    if (const int code = kestrelon::RunConfigCommand(argc, argv, handled); handled)
        return code;
    if (const int code = kestrelon::RunNmeaJsonCommand(argc, argv, handled); handled)
        return code;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelon"));
    QApplication::setOrganizationName(QStringLiteral("Varnoth"));
    kestrelon::CKestronApp kestron;
    if (!kestron.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    // A logout, kill or Ctrl+C ends the program as File > Exit would.
    kestrelon::CSignalQuit signalQuit([&kestron] { kestron.QuitWithoutQuestions(); });
    return app.exec();
}
