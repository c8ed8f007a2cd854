// Rows to text: stamps, trimming and UTF-8.
#include "screens/TextExport.h"

namespace kestrelon {

namespace {

void TrimAndEnd(std::string& out, std::size_t lineStart)
{
    std::size_t end = out.size();
    while (end > lineStart && out[end - 1] == ' ')
        --end;
    out.resize(end);
    out += '\n';
}

} // namespace

void AppendShownText(std::string& out, std::string_view bytes)
{
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (b >> 6));
            out += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
}

std::string AsciiGridText(const CAsciiGrid& grid, bool timestamps)
{
    std::string out;
    const int rows = grid.UsedLines();
    out.reserve(static_cast<std::size_t>(rows) * 32);
    for (int row = 0; row < rows; ++row) {
        const std::size_t lineStart = out.size();
        if (timestamps) {
            const DataTime time = grid.RowTime(row);
            out += time != 0 ? TimeStampText(time) : std::string(TIME_STAMP_LENGTH, ' ');
        }
        AppendShownText(out, {reinterpret_cast<const char*>(grid.RowChars(row)),
                              static_cast<std::size_t>(grid.RowWidth(row))});
        TrimAndEnd(out, lineStart);
    }
    return out;
}

std::string HexHistoryText(const CHexHistory& history, bool timestamps)
{
    std::string out;
    const int rows = history.RowCount();
    out.reserve(static_cast<std::size_t>(rows) * (CHexHistory::FULL_LINE_LENGTH + 1));
    for (int row = 0; row < rows; ++row) {
        const std::size_t lineStart = out.size();
        const std::string text = history.RowText(row);
        AppendShownText(out, text);
        if (timestamps) {
            // The hex part and its blanks are one byte per character.
            const std::size_t shown = CHexHistory::TIME_COLUMN;
            const std::size_t width = text.size();
            if (width < shown)
                out.append(shown - width, ' ');
            out += TimeStampText(history.RowTime(row));
        }
        TrimAndEnd(out, lineStart);
    }
    return out;
}

} // namespace kestrelon
