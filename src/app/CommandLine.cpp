// Checking the window program's command line.
#include "app/CommandLine.h"

#include <array>
#include <string_view>

namespace kestrelon {

const char* const COMMAND_LINE_USAGE = "usage: kestrelon [--demo] [FILE.kst]\n"
                                       "       kestrelon --send PROTOCOL FILE LINE [--timeout SECONDS]\n"
                                       "       kestrelon --receive PROTOCOL PATH LINE [--timeout SECONDS]\n"
                                       "       kestrelon --script FILE.lua LINE [--echo]\n"
                                       "       kestrelon --print-config FILE.kst\n"
                                       "       kestrelon --write-config IN.json OUT.kst\n"
                                       "       kestrelon --nmea-json FILE\n"
                                       "       kestrelon --render-terminal FILE [--size COLSxROWS]\n"
                                       "       kestrelon --help | --version\n"
                                       "\n"
                                       "Without options Kestrelon opens its window on a new terminal configuration,\n"
                                       "or on FILE.kst.\n"
                                       "  --demo           connect the new configuration to the demo device\n"
                                       "  --send, --receive\n"
                                       "                   one file transfer without a window; PROTOCOL is xmodem,\n"
                                       "                   xmodem1k, ymodem, zim or none (zim and none only send)\n"
                                       "                   LINE: --device TTY [--baud N] | --com N [--baud N]\n"
                                       "                         | --tcp HOST:PORT\n"
                                       "  --script         a Lua script drives LINE (or --demo) without a window;\n"
                                       "                   --echo copies what the line receives to standard output\n"
                                       "  --print-config   a configuration file as JSON on standard output\n"
                                       "  --write-config   a configuration file from JSON\n"
                                       "  --nmea-json      logged GPS receiver output decoded to JSON lines\n"
                                       "  --render-terminal\n"
                                       "                   a console log through the Terminal view, the final\n"
                                       "                   screen as text (80x24 unless --size)\n"
                                       "  --help           this text\n"
                                       "  --version        the program's version\n"
                                       "\n"
                                       "Exit status: 0 done, 1 failed, 2 wrong usage.\n"
                                       "The manual is in the program: Help > Help Topics.\n";

namespace {

// The options of the window program, and the options that Qt's application
// object takes out of the command line (with a single or a double dash): those
// that take a value, and those that do not.
constexpr std::array<std::string_view, 1> kWindowOptions{"demo"};
constexpr std::array<std::string_view, 15> kQtValueOptions{
    "platform", "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry", "geometry",   "qwindowtitle",
    "title",    "qwindowicon",        "icon",          "display", "style",           "stylesheet", "session",
    "name"};
constexpr std::array<std::string_view, 5> kQtFlagOptions{"reverse", "widgetcount", "nograb", "dograb", "sync"};

template <std::size_t N> bool Contains(const std::array<std::string_view, N>& names, std::string_view name)
{
    for (std::string_view known : names)
        if (known == name)
            return true;
    return false;
}

} // namespace

int CheckCommandLine(int argc, char** argv, const char* version, std::FILE* out, std::FILE* err, bool& handled)
{
    handled = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            handled = true;
            std::fputs(COMMAND_LINE_USAGE, out);
            return 0;
        }
        if (argument == "--version") {
            handled = true;
            std::fprintf(out, "kestrelon %s\n", version);
            return 0;
        }
    }
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.size() < 2 || argument[0] != '-')
            continue; // a file name, or "-"
        const bool twoDashes = argument.starts_with("--");
        const std::string_view name = argument.substr(twoDashes ? 2 : 1);
        if ((twoDashes && Contains(kWindowOptions, name)) || Contains(kQtFlagOptions, name))
            continue;
        if (Contains(kQtValueOptions, name)) {
            ++i; // its value
            continue;
        }
        handled = true;
        std::fprintf(err, "kestrelon: unknown option %s\n%s", argv[i], COMMAND_LINE_USAGE);
        return 2;
    }
    return 0;
}

} // namespace kestrelon
