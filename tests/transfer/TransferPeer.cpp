// Test helpers of the transfer engines: process spawning with pidfd, a
// notification recorder, a relay thread with seeded damage.
#include "transfer/TransferPeer.h"

#include "transfer/Crc16.h"
#include "transfer/TransferCodes.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <random>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrelon::test {

void CRecordingObserver::OnTransferNotify(int code, std::uint64_t value)
{
    std::lock_guard lock(m_mutex);
    m_notes.emplace_back(code, value);
    m_changed.notify_all();
}

void CRecordingObserver::OnTransferFile(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_notes.emplace_back(TRANSFER_FILE_PATH, 0);
    m_files.push_back(path);
}

std::vector<Notification> CRecordingObserver::Steady() const
{
    std::lock_guard lock(m_mutex);
    std::vector<Notification> out;
    std::copy_if(m_notes.begin(), m_notes.end(), std::back_inserter(out),
                 [](const Notification& n) { return n.first != TRANSFER_THROUGHPUT; });
    return out;
}

std::vector<std::string> CRecordingObserver::Files() const
{
    std::lock_guard lock(m_mutex);
    return m_files;
}

std::optional<int> CRecordingObserver::WaitResult(int timeoutMs)
{
    std::unique_lock lock(m_mutex);
    const auto found = [this] {
        return std::find_if(m_notes.begin(), m_notes.end(), [](auto& n) { return n.first == TRANSFER_RESULT; });
    };
    if (!m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return found() != m_notes.end(); }))
        return std::nullopt;
    return static_cast<int>(found()->second);
}

bool LrzszInstalled()
{
    return access("/usr/bin/sx", X_OK) == 0 && access("/usr/bin/rb", X_OK) == 0;
}

CPeerProcess::CPeerProcess(const std::vector<std::string>& args, const std::string& tty, const std::string& directory,
                           int lineFd)
{
    if (!LrzszInstalled()) {
        ADD_FAILURE() << "lrzsz (sx, rx, sb, rb) is missing: install the Debian package lrzsz";
        return;
    }
    m_pid = fork();
    if (m_pid == 0) {
        setsid();
        const int fd = tty.empty() ? lineFd : open(tty.c_str(), O_RDWR | O_NOCTTY);
        const int log = open((directory + "/.peer.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if ((fd < 0 && !(tty.empty() && lineFd < 0)) || chdir(directory.c_str()) != 0)
            _exit(126);
        if (fd >= 0)
            dup2(fd, 0), dup2(fd, 1);
        dup2(log, 2);
#ifdef KESTRELON_NO_PURGE_SO
        setenv("LD_PRELOAD", KESTRELON_NO_PURGE_SO, 1);
#endif
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    m_pidFd = static_cast<int>(syscall(SYS_pidfd_open, m_pid, 0));
}

CPeerProcess::~CPeerProcess()
{
    if (m_pid > 0 && m_status == -1)
        Wait(0);
    if (m_pidFd >= 0)
        close(m_pidFd);
}

int CPeerProcess::Wait(int timeoutMs)
{
    if (m_pid <= 0 || m_status != -1)
        return m_status;
    struct pollfd p {
        m_pidFd, POLLIN, 0
    };
    if (poll(&p, 1, timeoutMs) <= 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_status = -2;
        return -1;
    }
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    return m_status;
}

CLineRelay::CLineRelay(int nearFd, int farFd, bool echo, double lossRate, unsigned seed, Filter filter)
    : m_near(nearFd), m_far(farFd), m_stopFd(eventfd(0, EFD_CLOEXEC)), m_echo(echo), m_lossRate(lossRate), m_seed(seed),
      m_filter(std::move(filter)), m_thread([this] { Run(); })
{
}

CLineRelay::~CLineRelay()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = write(m_stopFd, &one, sizeof one);
    m_thread.join();
    close(m_stopFd);
}

void CLineRelay::Run()
{
    std::mt19937 random(m_seed);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    const auto damage = [&](const char* in, ssize_t n) {
        std::string out;
        for (ssize_t i = 0; i < n; ++i) {
            const double roll = m_lossRate > 0 ? chance(random) : 1.0;
            if (roll < m_lossRate)
                continue; // dropped
            out += in[i];
            if (roll < 2 * m_lossRate)
                out += in[i]; // doubled
            else if (roll < 3 * m_lossRate)
                out.back() = static_cast<char>(out.back() ^ (1 << (random() % 8)));
        }
        return out;
    };
    const auto writeAll = [](int fd, const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    };
    char buffer[4096];
    std::size_t nearOffset = 0;
    for (;;) {
        struct pollfd polls[3] = {{m_near, POLLIN, 0}, {m_far, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
        if (poll(polls, 3, -1) < 0 || (polls[2].revents & POLLIN))
            return;
        if (polls[0].revents & POLLIN) {
            const ssize_t n = read(m_near, buffer, sizeof buffer);
            if (n > 0 && m_echo)
                writeAll(m_near, std::string(buffer, static_cast<std::size_t>(n)));
            if (n > 0)
                writeAll(m_far, m_filter ? m_filter(nearOffset, std::string(buffer, std::size_t(n))) : damage(buffer, n));
            nearOffset += n > 0 ? std::size_t(n) : 0;
        }
        if (polls[1].revents & POLLIN) {
            const ssize_t n = read(m_far, buffer, sizeof buffer);
            if (n > 0)
                writeAll(m_near, damage(buffer, n));
        }
    }
}

std::string Block(int number, const std::string& data, bool crc)
{
    const std::size_t size = data.size() <= 128 ? 128 : 1024;
    std::string payload = data + std::string(size - data.size(), '\0');
    std::string block{char(size == 128 ? SOH : STX), char(number), char(~number)};
    block += payload;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(payload.data());
    if (crc) {
        const std::uint16_t value = Crc16(bytes, static_cast<std::ptrdiff_t>(size));
        block += {char(value >> 8), char(value & 0xFF)};
    } else {
        std::uint8_t sum = 0;
        for (auto b : payload)
            sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(b));
        block += char(sum);
    }
    return block;
}

std::string Header(const std::string& name, const std::string& length)
{
    return Block(0, name + '\0' + length + std::string(128 - name.size() - 1 - length.size(), '\0'));
}

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (auto& c : out)
        c = static_cast<char>(random() & 0xFF);
    return out;
}

} // namespace kestrelon::test
