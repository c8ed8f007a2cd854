// What the Transfer Status dialog shows, kept apart from its widgets: the
// texts follow the transfer's notifications, with the rule that a transfer of
// unknown size moves no bar and shows no rest duration.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace kestrelon {

struct CTransferFields {
    std::string fileName;
    std::string protocol;
    std::string errorChecking;
    std::string repetitions;
    std::string repetitionsTotal;
    std::string transferred;
    std::string duration;
    std::string restDuration;
    std::string throughput;
};

class CTransferStatus {
public:
    CTransferStatus(std::string path, bool sizeKnown);

    // One notification (TRANSFER_* code and value); true when the controls
    // should be refreshed from the fields.
    bool Apply(int code, std::uint64_t value);
    // The file now being received, named by the receiver (code 2).
    void SetFileName(std::string path)
    {
        m_fields.fileName = std::move(path);
        ++m_filesNamed;
    }
    int FilesNamed() const { return m_filesNamed; }
    // The dialog's one-second timer: the duration once the start is known.
    void Tick();

    const CTransferFields& Fields() const { return m_fields; }
    bool SizeKnown() const { return m_sizeKnown; }
    std::uint64_t TotalSize() const { return m_total; }
    // Where the progress bar stands: 0 until the size is known and bytes move.
    std::uint64_t Position() const { return m_position; }
    // Received files shorter than their header announced: "name (N of M bytes)".
    const std::vector<std::string>& ShortFiles() const { return m_shortFiles; }
    // Where "now" comes from (tests give a fixed clock).
    void SetClock(std::function<std::time_t()> clock) { m_clock = std::move(clock); }

    // "%H:%M:%S" of a span, hours within the day (whole days are not shown).
    static std::string FormatSpan(std::int64_t seconds);
    static std::string ProtocolName(std::uint64_t protocol);

private:
    CTransferFields m_fields;
    bool m_sizeKnown;
    std::uint64_t m_total = 0;
    std::uint64_t m_done = 0;
    std::uint64_t m_position = 0;
    std::time_t m_start = 0;
    std::function<std::time_t()> m_clock;
    std::vector<std::string> m_shortFiles;
    int m_filesNamed = 0;
};

} // namespace kestrelon
