// `kestrelon --demo`: starts the demo device as a child process, waits for the
// path of its pseudo-terminal and ends it again when the program ends. The
// device watches this process too, so it also goes when the program is killed.
#pragma once

#include <QProcess>
#include <QString>

namespace kestrelon {

class CDemoLauncher {
public:
    static constexpr int kStartTimeoutMs = 5000;
    static constexpr int kStopTimeoutMs = 2000;

    CDemoLauncher() = default;
    ~CDemoLauncher();
    CDemoLauncher(const CDemoLauncher&) = delete;
    CDemoLauncher& operator=(const CDemoLauncher&) = delete;

    // The device program beside this program's executable.
    static QString DefaultProgram();

    // Starts `program` and reads the path of its line. False with `error` set
    // when it does not start or names no path in time.
    bool Start(const QString& program, QString& error);
    void Stop();
    QString DevicePath() const { return m_devicePath; }
    bool IsRunning() const { return m_process.state() != QProcess::NotRunning; }

private:
    QProcess m_process;
    QString m_devicePath;
};

} // namespace kestrelon
