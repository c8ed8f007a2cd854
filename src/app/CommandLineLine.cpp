// CCommandLineLine: the TCP connect with its deadline, the tty at 8N1, and the
// demo device as a child that names its pseudo-terminal on its first line.
#include "app/CommandLineLine.h"

#include "serial/ComPortEnumerator.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrelon {
namespace {

// A connected TCP client socket, or -1 with the reason in error.
int ConnectTcp(const std::string& target, int timeoutMs, std::string& error)
{
    const auto colon = target.rfind(':');
    std::string host = target.substr(0, colon);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = getaddrinfo(host.c_str(), target.substr(colon + 1).c_str(), &hints, &found); rc != 0) {
        error = target + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            continue;
        int rc = connect(fd, a->ai_addr, a->ai_addrlen);
        if (rc != 0 && errno == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int soError = ETIMEDOUT;
            socklen_t length = sizeof soError;
            if (poll(&p, 1, timeoutMs) == 1)
                getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
            errno = soError;
            rc = soError == 0 ? 0 : -1;
        }
        if (rc != 0) {
            error = target + ": " + std::strerror(errno);
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    return fd;
}

std::string ProgramDirectory()
{
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0)
        return ".";
    const std::string self(path, static_cast<std::size_t>(n));
    return self.substr(0, self.rfind('/'));
}

} // namespace

bool ParseUnsignedOption(const char* text, unsigned low, unsigned high, unsigned& value)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long number = std::strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || number < low || number > high)
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

ELineOption TakeLineOption(int argc, char** argv, int& i, CLineOptions& options, bool allowDemo)
{
    const std::string option = argv[i];
    if (allowDemo && option == "--demo") {
        options.demo = true;
        ++options.lines;
        return ELineOption::Taken;
    }
    if (option != "--device" && option != "--com" && option != "--tcp" && option != "--baud")
        return ELineOption::Other;
    if (i + 1 >= argc)
        return ELineOption::Bad;
    const char* value = argv[++i];
    bool good = true;
    if (option == "--device")
        options.device = value;
    else if (option == "--com")
        good = ParseUnsignedOption(value, 1, 255, options.comNumber);
    else if (option == "--tcp")
        options.tcp = value, good = options.tcp.rfind(':') != std::string::npos;
    else
        return ParseUnsignedOption(value, 50, 4000000, options.baud) ? ELineOption::Taken : ELineOption::Bad;
    ++options.lines;
    return good ? ELineOption::Taken : ELineOption::Bad;
}

CCommandLineLine::~CCommandLineLine()
{
    m_port.Close();
    if (m_socket >= 0)
        close(m_socket);
    if (m_demo > 0) {
        kill(m_demo, SIGTERM); // the device removes its link on SIGTERM
        waitpid(m_demo, nullptr, 0);
    }
    if (m_demoOutput >= 0)
        close(m_demoOutput);
}

bool CCommandLineLine::Open(const CLineOptions& options, const SettingsMaker& makeSettings, const char* program)
{
    std::string device = options.device;
    if (options.comNumber > 0) {
        auto settings = makeSettings();
        device = CComPortEnumerator(*settings).DevicePath(options.comNumber);
        if (device.empty()) {
            std::fprintf(stderr, "%s: COM%u is not present\n", program, options.comNumber);
            return false;
        }
    }
    if (options.demo && !StartDemo(device, program))
        return false;
    if (!device.empty())
        return OpenTty(device, options.baud, program);
    std::string error;
    m_socket = ConnectTcp(options.tcp, CONNECT_TIMEOUT_MS, error);
    if (m_socket < 0)
        std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return m_socket >= 0;
}

bool CCommandLineLine::OpenTty(const std::string& device, unsigned baud, const char* program)
{
    if (const int rc = m_port.Open(device); rc != 0) {
        std::fprintf(stderr, "%s: %s: %s\n", program, device.c_str(), std::strerror(rc));
        return false;
    }
    DCB dcb;
    m_port.GetState(dcb);
    dcb.BaudRate = baud;
    dcb.flags = DcbFlag::fBinary;
    dcb.ByteSize = 8;
    dcb.Parity = 0;
    dcb.StopBits = 0;
    if (!m_port.SetState(dcb)) {
        std::fprintf(stderr, "%s: %s does not take %u baud\n", program, device.c_str(), baud);
        m_port.Close();
        return false;
    }
    return true;
}

bool CCommandLineLine::StartDemo(std::string& device, const char* program)
{
    const std::string demo = ProgramDirectory() + "/kestrelon-demo-device";
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return false;
    const std::string parent = std::to_string(getpid());
    m_demo = fork();
    if (m_demo == 0) {
        dup2(pipeFds[1], 1);
        execl(demo.c_str(), demo.c_str(), "--parent", parent.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    m_demoOutput = pipeFds[0];
    // The device prints "Device: PATH" first; read until then, with a deadline.
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(DEMO_START_TIMEOUT_MS);
    while (m_demo > 0 && output.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{m_demoOutput, POLLIN, 0};
        char buffer[256];
        ssize_t n = 0;
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
            (n = read(m_demoOutput, buffer, sizeof buffer)) <= 0)
            break;
        output.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string prefix = "Device: ";
    if (m_demo < 0 || output.rfind(prefix, 0) != 0 || output.find('\n') == std::string::npos) {
        std::fprintf(stderr, "%s: the demo device %s did not start\n", program, demo.c_str());
        return false;
    }
    device = output.substr(prefix.size(), output.find('\n') - prefix.size());
    return true;
}

} // namespace kestrelon
