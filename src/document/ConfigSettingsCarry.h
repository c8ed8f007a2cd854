// What the settings store keeps per configuration file (zoom, pacing, the
// Terminal view's options, the local endpoint, the remote-port flag) follows the
// file when it is saved under another name, so Save As keeps what the user set.
#pragma once

#include "document/SettingsStore.h"

#include <string>

namespace kestrelon {

// Every per-configuration entry of `fromPath` is written for `toPath`; an entry
// `toPath` had that `fromPath` has not is removed. Empty paths are new documents.
void CarryConfigSettings(ISettingsStore& store, const std::string& fromPath, const std::string& toPath);

} // namespace kestrelon
