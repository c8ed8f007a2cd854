// The open log file of the document: the bytes shown, exactly as the views get
// them. Writes are buffered; a failed write (full disk) is remembered so the
// owner can report it and stop logging.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrelon {

class CLogFile {
public:
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
    bool Write(const std::uint8_t* data, std::size_t length);
    bool Flush();
    const std::string& Path() const { return m_path; }
    int LastError() const { return m_lastError; }

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    int m_lastError = 0;
};

} // namespace kestrelon
