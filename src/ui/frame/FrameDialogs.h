// The small fixed dialogs of the main window: the COM-port failure dialog and
// the About box.
#pragma once

#include <QDialog>

class QPushButton;

namespace kestrelon {

// Shown whenever a serial port cannot be opened or configured. Accepting it
// ("Setup Data Communication") asks for the communication settings; "OK", the
// default, just closes it.
class CPortFailureDialog : public QDialog {
    Q_OBJECT
public:
    // `detail`: the line naming the port, its device and the reason.
    explicit CPortFailureDialog(QWidget* parent = nullptr, const QString& detail = {});
    QPushButton* SetupButton() const { return m_setup; }
    QPushButton* OkButton() const { return m_ok; }

private:
    QPushButton* m_setup = nullptr;
    QPushButton* m_ok = nullptr;
};

// Program icon, version line, a fixed text and the build time.
class CAboutDialog : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
    // "Kestrelon, Version 1.0.0"
    static QString VersionLine();
    // "Dec  6 2026 09:12:44": the build's date and time, joined by one blank.
    static QString BuildTimeLine();
};

} // namespace kestrelon
