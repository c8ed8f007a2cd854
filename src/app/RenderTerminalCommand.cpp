// The render command: reads the file in chunks (logs can be large), feeds every
// byte to a Terminal view model of the asked size and prints its rows, trailing
// blanks dropped, exactly one line per row.
#include "app/RenderTerminalCommand.h"

#include "screens/TerminalScreen.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>

namespace kestrelon {

namespace {

constexpr const char* USAGE = "usage: kestrelon --render-terminal FILE [--size COLSxROWS]\n"
                              "  COLSxROWS from 20x5 to 1000x500, 80x24 by default\n";
constexpr std::size_t READ_CHUNK = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool ParseNumber(std::string_view text, int low, int high, int& value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool ParseSize(std::string_view text, int& columns, int& rows)
{
    const std::size_t x = text.find('x');
    return x != std::string_view::npos &&
           ParseNumber(text.substr(0, x), CTerminalScreen::MIN_COLUMNS, CTerminalScreen::MAX_COLUMNS, columns) &&
           ParseNumber(text.substr(x + 1), CTerminalScreen::MIN_ROWS, CTerminalScreen::MAX_ROWS, rows);
}

} // namespace

int RunRenderTerminalCommand(int argc, char** argv, bool& handled)
{
    handled = argc >= 2 && std::strcmp(argv[1], "--render-terminal") == 0;
    return handled ? RenderTerminal(argc, argv, stdout, stderr) : 0;
}

int RenderTerminal(int argc, char** argv, std::FILE* out, std::FILE* err)
{
    const char* path = nullptr;
    int columns = 80, rows = 24;
    for (int i = 2; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--size" && i + 1 < argc && ParseSize(argv[i + 1], columns, rows)) {
            ++i;
        } else if (path == nullptr && !argument.starts_with("--")) {
            path = argv[i];
        } else {
            std::fputs(USAGE, err);
            return 2;
        }
    }
    if (path == nullptr) {
        std::fputs(USAGE, err);
        return 2;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) {
        std::fprintf(err, "kestrelon: cannot read %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    CTerminalScreen screen(columns, rows, 0);
    const auto buffer = std::make_unique<std::uint8_t[]>(READ_CHUNK);
    while (const std::size_t got = std::fread(buffer.get(), 1, READ_CHUNK, file.get()))
        screen.Feed(buffer.get(), got);
    if (std::ferror(file.get())) {
        std::fprintf(err, "kestrelon: cannot read %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    for (int row = 0; row < rows; ++row) {
        const std::string text = screen.LineText(row);
        std::fwrite(text.data(), 1, text.size(), out);
        std::fputc('\n', out);
    }
    return std::fflush(out) == 0 ? 0 : 1;
}

} // namespace kestrelon
