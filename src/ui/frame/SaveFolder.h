// Where the window's save dialogs start: in the folder of the open
// configuration file, else in the user's documents folder (else home), never
// in the folder the program happened to be started from.
#pragma once

#include <QString>

namespace kestrelon {

// `fileName` proposed in that folder; `configPath` empty for a new configuration.
QString SaveDialogStart(const QString& configPath, const QString& fileName);

} // namespace kestrelon
