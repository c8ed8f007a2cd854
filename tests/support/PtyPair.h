// A pseudo-terminal pair standing in for a serial device: tests open the slave
// through the port code and play the device on the master.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrelon::test {

// Reads from `fd` until `done` holds for what came, the descriptor ends or
// `timeoutMs` passed; never more than `most` bytes.
std::string ReadUntil(int fd, int timeoutMs, const std::function<bool(const std::string&)>& done,
                      std::size_t most = SIZE_MAX);

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    int Master() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    // Closes the master: to the slave's user the device is gone.
    void CloseMaster();
    // Writes all bytes to the master; false on failure.
    bool WriteMaster(const std::string& bytes);
    // Reads what is available on the master within timeoutMs.
    std::string ReadMaster(int timeoutMs, std::size_t atLeast = 1);

private:
    int m_master = -1;
    int m_slaveKeep = -1; // keeps the slave side alive until the test opens it
    std::string m_slavePath;
};

} // namespace kestrelon::test
