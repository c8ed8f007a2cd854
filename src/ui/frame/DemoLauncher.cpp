// CDemoLauncher over QProcess: the device prints "Device: PATH" first.
#include "ui/frame/DemoLauncher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>

namespace kestrelon {

CDemoLauncher::~CDemoLauncher()
{
    Stop();
}

QString CDemoLauncher::DefaultProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("kestrelon-demo-device"));
}

bool CDemoLauncher::Start(const QString& program, QString& error)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(program, {QStringLiteral("--parent"), QString::number(QCoreApplication::applicationPid())});
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        error = QStringLiteral("Cannot start %1: %2").arg(program, m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!deadline.hasExpired()) {
        while (m_process.canReadLine()) {
            const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            if (line.startsWith(QLatin1String("Device: "))) {
                m_devicePath = line.mid(8);
                return true;
            }
        }
        if (m_process.state() == QProcess::NotRunning ||
            !m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
    }
    error = QStringLiteral("The demo device %1 did not name its line.").arg(program);
    Stop();
    return false;
}

void CDemoLauncher::Stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate(); // the device removes its link on SIGTERM
    if (!m_process.waitForFinished(kStopTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kStopTimeoutMs);
    }
}

} // namespace kestrelon
