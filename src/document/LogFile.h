// The open log file of the document: the bytes shown, exactly as the views get
// them. Writes are gathered until the owner flushes at the end of each batch
// it handles; a failed write (full disk) is remembered so the owner can report
// it and stop logging.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace kestrelon {

class CLogFile {
public:
    // The receive path hands over a piece per line or control byte: gathering
    // them here costs a copy, where a stdio call per piece would cost more than
    // everything else on the path.
    static constexpr std::size_t BUFFER_SIZE = 64 * 1024;

    CLogFile() = default;
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Creates (truncates) the file; false with errno kept in LastError() on failure.
    bool Open(const std::string& path);
    // Flushes and closes; false when the last data could not be written.
    bool Close();
    bool IsOpen() const { return m_file != nullptr; }
    // False when the bytes could not be written; the file stays open.
    bool Write(const std::uint8_t* data, std::size_t length)
    {
        if (m_file != nullptr && length <= BUFFER_SIZE - m_used) {
            std::memcpy(m_buffer.get() + m_used, data, length);
            m_used += length;
            return true;
        }
        return WriteThrough(data, length);
    }
    bool Flush();
    const std::string& Path() const { return m_path; }
    int LastError() const { return m_lastError; }

private:
    bool WriteThrough(const std::uint8_t* data, std::size_t length);
    bool Drain(); // writes the gathered bytes to the file

    std::FILE* m_file = nullptr;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_used = 0;
    std::string m_path;
    int m_lastError = 0;
};

} // namespace kestrelon
