// CLogFile: buffered log writes with errors kept for the caller.
#include "automation/LogFile.h"

#include <cerrno>

namespace kestrelon {

CLogFile::~CLogFile() { Close(); }

bool CLogFile::Open(const std::string& path)
{
    Close();
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr) {
        m_lastError = errno;
        return false;
    }
    m_path = path;
    m_lastError = 0;
    return true;
}

bool CLogFile::Close()
{
    if (m_file == nullptr)
        return true;
    bool ok = std::fflush(m_file) == 0;
    if (!ok)
        m_lastError = errno;
    if (std::fclose(m_file) != 0 && ok) {
        ok = false;
        m_lastError = errno;
    }
    m_file = nullptr;
    return ok;
}

bool CLogFile::Write(const std::uint8_t* data, std::size_t length)
{
    if (m_file == nullptr)
        return false;
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
    if (std::fflush(m_file) != 0) {
        m_lastError = errno;
        return false;
    }
    return true;
}

} // namespace kestrelon
