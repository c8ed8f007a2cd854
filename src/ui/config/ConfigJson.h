// Configuration files as JSON, for users who keep them in version control and
// generate them from scripts: `kestrelon --print-config FILE.kst` and
// `kestrelon --write-config IN.json OUT.kst`. Needs Qt Core only, no display.
#pragma once

#include "document/SavedSettings.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>

namespace kestrelon {

// One object keyed by the saved field names, plus "schema". File strings are
// 8-bit: byte b becomes the character U+00bb, so every file converts losslessly.
QJsonObject SettingsToJson(const CSavedSettings& settings, std::uint32_t schema);

// Fills `settings` from `json`; keys that are missing keep the values `settings`
// holds (the new-document defaults for the command line). An unknown key, a
// wrong type or a value out of range fails with an error naming the key.
bool SettingsFromJson(const QJsonObject& json, CSavedSettings& settings, QString& error);

// Runs the configuration command named by argv[1], if any: `handled` tells the
// caller whether it was one, the result is the process exit code (0 done,
// 1 failed, 2 wrong usage).
int RunConfigCommand(int argc, char** argv, bool& handled);

} // namespace kestrelon
