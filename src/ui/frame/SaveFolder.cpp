// SaveDialogStart: the configuration's folder, the documents folder or home.
#include "ui/frame/SaveFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace kestrelon {

QString SaveDialogStart(const QString& configPath, const QString& fileName)
{
    QString folder = configPath.isEmpty() ? QString() : QFileInfo(configPath).absolutePath();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return QDir(folder).filePath(fileName);
}

} // namespace kestrelon
