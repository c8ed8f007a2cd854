// The sections of the user manual that windows and dialogs open with their Help
// button or key, by their heading in docs/manual.md.
#pragma once

namespace kestrelon::help {

inline constexpr const char* CONNECTIONS = "Connections";
inline constexpr const char* ASCII_VIEW = "The ASCII view";
inline constexpr const char* HEX_VIEW = "The hex view";
inline constexpr const char* TERMINAL = "Terminal settings";
inline constexpr const char* FUNCTION_KEYS = "Function keys";
inline constexpr const char* AUTO_ANSWERS = "Automatic answers";
inline constexpr const char* TRANSFERS = "File transfers";

} // namespace kestrelon::help
