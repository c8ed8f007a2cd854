// Field cutting helpers.
#include "gps/Fields.h"

namespace kestrelon {

std::string_view GetField(std::string_view text, char separator, int index)
{
    if (index < 0)
        return {};
    std::size_t start = 0;
    for (int i = 0; i < index; ++i) {
        const std::size_t next = text.find(separator, start);
        if (next == std::string_view::npos)
            return {};
        start = next + 1;
    }
    const std::size_t end = text.find(separator, start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

int CountFields(std::string_view text, char separator)
{
    int count = 1;
    for (const char c : text)
        count += c == separator;
    return count;
}

} // namespace kestrelon
