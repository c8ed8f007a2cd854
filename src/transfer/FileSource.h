// The file being sent: opened once, read in pieces at given offsets, so a file
// is never held whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrelon {

class CFileSource {
public:
    CFileSource() = default;
    ~CFileSource();
    CFileSource(const CFileSource&) = delete;
    CFileSource& operator=(const CFileSource&) = delete;

    // Opens path for reading; false (errno set) when it cannot be read.
    bool Open(const std::string& path);
    std::uint64_t Length() const { return m_length; }
    // The name without directory, as sent in a YModem header.
    const std::string& Name() const { return m_name; }
    // Reads exactly size bytes at offset; false when the file cannot give them
    // (read error, file shortened since it was opened).
    bool ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size);

private:
    int m_fd = -1;
    std::uint64_t m_length = 0;
    std::string m_name;
};

} // namespace kestrelon
