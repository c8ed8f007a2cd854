// The demo device's loop: one poll over the pseudo-terminal master, a signal
// descriptor and the board's next timer. Output is written only as the line
// takes it, input is read only while the output backlog is small, so nothing
// grows without bound. It ends on SIGTERM, SIGINT or SIGHUP, and when the
// process that started it is gone.
#pragma once

#include "demo/DemoBoard.h"
#include "demo/DemoTransfer.h"

#include <sys/types.h>

namespace kestrelon {

class CDemoPty;

class CDemoDevice {
public:
    static constexpr std::size_t kMaxBacklog = 262144; // input waits beyond this much unsent output
    static constexpr int kWatchMs = 100;               // parent and hang-up checks
    // After a transfer the board keeps quiet a moment: the terminal's side is
    // still finishing and would take the report for protocol bytes.
    static constexpr auto kQuietAfterTransfer = std::chrono::milliseconds(500);

    // Blocks SIGTERM, SIGINT and SIGHUP for the signal descriptor; `parent` is
    // the process whose end ends the device (0: none); `files` is where `rx`
    // stores and `sx` finds files.
    CDemoDevice(CDemoPty& pty, pid_t parent, const std::string& files);
    ~CDemoDevice();
    CDemoDevice(const CDemoDevice&) = delete;
    CDemoDevice& operator=(const CDemoDevice&) = delete;

    // Runs until a signal or the parent's end; returns the exit code.
    int Run();

private:
    bool LineHungUp() const;
    std::uint32_t LineSpeed() const;
    int Timeout(CDemoBoard::Clock::time_point now) const;
    bool Transfer(short revents);
    void StartFileTransfer();

    CDemoPty& m_pty;
    pid_t m_parent;
    int m_signals = -1;
    bool m_connected = false;
    CDemoBoard m_board;
    CDemoTransfer m_transfer; // owns the line while it runs
    bool m_reportDue = false;
    CDemoBoard::Clock::time_point m_reportAt{};
};

} // namespace kestrelon
