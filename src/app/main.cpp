// Entry point of the kestrelon program.
#include "core/ConfigJson.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    // The configuration commands run headless, before any display is opened.
    bool handled = false;
    if (const int code = kestrelon::RunConfigCommand(argc, argv, handled); handled)
        return code;
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Kestrelon"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
