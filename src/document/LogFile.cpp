// CLogFile: buffered log writes with errors kept for the caller.
#include "document/LogFile.h"

#include <cerrno>

namespace kestrelon {

CLogFile::~CLogFile()
{
    Close();
}

bool CLogFile::Open(const std::string& path)
{
    Close();
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) {
        m_lastError = errno;
        return false;
    }
    // Our own buffer does the gathering; a second one in stdio would only copy again.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    if (!m_buffer)
        m_buffer = std::make_unique<std::uint8_t[]>(BUFFER_SIZE);
    m_used = 0;
    m_path = path;
    m_lastError = 0;
    return true;
}

bool CLogFile::Drain()
{
    if (m_used == 0)
        return true;
    const std::size_t written = std::fwrite(m_buffer.get(), 1, m_used, m_file);
    const bool ok = written == m_used;
    if (!ok)
        m_lastError = errno;
    m_used = 0; // what could not be written is reported, not retried forever
    return ok;
}

bool CLogFile::Close()
{
    if (m_file == nullptr)
        return true;
    bool ok = Drain();
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        m_lastError = errno;
    }
    m_file = nullptr;
    return ok;
}

bool CLogFile::WriteThrough(const std::uint8_t* data, std::size_t length)
{
    if (m_file == nullptr)
        return false;
    if (!Drain())
        return false;
    if (length <= BUFFER_SIZE) {
        std::memcpy(m_buffer.get(), data, length);
        m_used = length;
        return true;
    }
    if (std::fwrite(data, 1, length, m_file) != length) {
        m_lastError = errno;
        return false;
    }
    return true;
}

bool CLogFile::Flush()
{
    if (m_file == nullptr)
        return true;
    if (!Drain())
        return false;
    if (std::fflush(m_file) != 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

} // namespace kestrelon
