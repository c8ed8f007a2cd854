// Entry point of the kestrelon program: `kestrelon [FILE.kst]` opens the main
// window on a new terminal configuration or on the named file; `kestrelon
// --demo` connects the new configuration to the demo device.
#include "ui/config/ConfigJson.h"
#include "ui/frame/KestronApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    // The configuration commands run headless, before any display is opened.
    bool handled = false;
    if (const int code = kestrelon::RunConfigCommand(argc, argv, handled); handled)
        return code;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelon"));
    QApplication::setOrganizationName(QStringLiteral("Varnoth"));
    kestrelon::CKestronApp kestron;
    if (!kestron.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    return app.exec();
}
