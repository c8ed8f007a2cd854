// Line assembly of the GPS bar.
#include "gps/NmeaLineAssembler.h"

namespace kestrelon {

bool CNmeaLineAssembler::Push(std::uint8_t c)
{
    if (m_complete) {
        m_length = 0;
        m_complete = false;
    }
    if (c == '\r' || c == '\n') {
        m_complete = m_length > 0;
        return m_complete;
    }
    if (c < 0x20 || c > 0x7F)
        return false;
    m_text[m_length++] = static_cast<char>(c);
    if (m_length > MAX_LINE)
        m_length = 0;
    return false;
}

} // namespace kestrelon
