// The start-up yardstick of the whole-program benchmark: a plain Qt Widgets main
// window with what every such program shows first (a menu bar, a toolbar, a
// status bar and a monospaced text area), and nothing of this program. It
// answers its first event as kestrelon does under KESTRELON_LATENCY_PROBE, so
// the two start-up times, taken in the same run, show how much of ours is the
// toolkit's own.
#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    for (const char* title : {"&File", "&Edit", "&View", "&Help"})
        window.menuBar()->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("&Open"));
    window.addToolBar(QStringLiteral("Toolbar"))->addAction(QStringLiteral("New"));
    window.statusBar()->showMessage(QStringLiteral("Ready"));
    auto* text = new QPlainTextEdit;
    text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    window.setCentralWidget(text);
    window.resize(800, 600);
    window.show();
    QTimer::singleShot(0, [] {
        QFile probe(QString::fromLocal8Bit(qgetenv("KESTRELON_LATENCY_PROBE")));
        if (probe.open(QIODevice::WriteOnly | QIODevice::Truncate))
            probe.write("0\n");
    });
    return app.exec();
}
