// The zoom of the terminal views, kept in the settings store per configuration
// file as the pacing is, so that the .kst file and its font stay as they are.
#pragma once

#include "document/SettingsStore.h"

#include <string>

namespace kestrelon {

// The percentage stored for `configPath`; 100 when none or unreadable.
int LoadZoom(const ISettingsStore& store, const std::string& configPath);
// 100 removes the entry.
void SaveZoom(ISettingsStore& store, const std::string& configPath, int percent);

} // namespace kestrelon
