// Draining a flood from a device behind a real ser2net: the same pty served
// twice, as a plain TCP port and as a Telnet com-port, read by the IP client
// as a plain TCP client and as a remote serial port. Every byte value comes
// by, so the Telnet side pays for its doubled IACs. Needs ser2net installed.
#include "net/IpConnection.h"
#include "document/ByteBlock.h"
#include "document/Messages.h"
#include "framework/MessageCarrier.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

using namespace kestrelon;

namespace {

constexpr std::size_t kFloodBytes = 8u << 20;
constexpr std::uint16_t kRawPort = 30301;
constexpr std::uint16_t kTelnetPort = 30302;

// A frame that counts received bytes and says when enough came.
class CCountingFrame : public IMessageTarget {
public:
    void Post(CMessage message) override
    {
        if (auto block = message.TakePayload<CByteBlock>()) {
            std::lock_guard lock(m_mutex);
            m_bytes += static_cast<std::size_t>(block->length());
            if (m_bytes >= m_wanted)
                m_enough.notify_all();
        }
    }
    std::intptr_t Send(CMessage message) override { return Post(std::move(message)), 0; }
    void Expect(std::size_t bytes)
    {
        std::lock_guard lock(m_mutex);
        m_bytes = 0;
        m_wanted = bytes;
    }
    bool Wait(int seconds)
    {
        std::unique_lock lock(m_mutex);
        return m_enough.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_bytes >= m_wanted; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_enough;
    std::size_t m_bytes = 0;
    std::size_t m_wanted = 0;
};

// ser2net serving one pty twice; the benchmark writes the device's side.
class CServedPty {
public:
    CServedPty()
    {
        int slave = -1;
        char name[64];
        if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("no pty");
        termios raw{};
        tcgetattr(slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(slave, TCSANOW, &raw);
        m_slave = slave; // kept open, so the pty lives between connections
        std::snprintf(m_config, sizeof m_config, "/tmp/kestrelon-drain-%d.yaml", getpid());
        FILE* config = std::fopen(m_config, "w");
        for (auto [alias, accepter, port] : {std::tuple{"raw", "tcp", kRawPort}, {"telnet", "telnet(rfc2217),tcp", kTelnetPort}})
            std::fprintf(config, "connection: &%s\n  accepter: %s,127.0.0.1,%u\n  connector: serialdev,%s,115200n81,local\n",
                         alias, accepter, port, name);
        std::fclose(config);
        m_pid = fork();
        if (m_pid == 0) {
            execlp("ser2net", "ser2net", "-n", "-u", "-c", m_config, "-P", "/dev/null", nullptr);
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
    ~CServedPty()
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        std::remove(m_config);
        close(m_master);
        close(m_slave);
    }
    // Writes the flood into the device's end on a thread of its own.
    std::thread Flood() const
    {
        return std::thread([fd = m_master] {
            std::string chunk(4096, '\0');
            for (std::size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = static_cast<char>(i);
            for (std::size_t sent = 0; sent < kFloodBytes;) {
                const ssize_t n = write(fd, chunk.data(), chunk.size());
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
        });
    }

private:
    int m_master = -1;
    int m_slave = -1;
    pid_t m_pid = -1;
    char m_config[64] = {};
};

void Drain(benchmark::State& state, bool remote)
{
    static CServedPty served;
    CCountingFrame frame;
    CIpConnection connection;
    connection.SetRemoteSerial(remote, {115200, 8, 0, 0, false});
    connection.Start(frame, WM_IP_MAIN, "127.0.0.1", remote ? kTelnetPort : kRawPort, MODE_IPV4_CLIENT);
    std::this_thread::sleep_for(std::chrono::milliseconds(remote ? 1000 : 300)); // connected and answered
    for (auto _ : state) {
        frame.Expect(kFloodBytes);
        std::thread flood = served.Flood();
        const bool done = frame.Wait(60);
        flood.join();
        if (!done)
            state.SkipWithError("the flood did not arrive");
    }
    connection.Stop();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kFloodBytes));
}

void BM_Ser2netRawTcp(benchmark::State& state) { Drain(state, false); }
void BM_Ser2netRemoteSerial(benchmark::State& state) { Drain(state, true); }

BENCHMARK(BM_Ser2netRawTcp)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Ser2netRemoteSerial)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
