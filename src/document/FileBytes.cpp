// Whole-file reads and atomic replacing writes over POSIX descriptors.
#include "document/FileBytes.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kestrelon {

namespace {

std::string SystemReason(int error)
{
    return std::strerror(error);
}

// Closes the descriptor when the scope ends.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Creates a new file beside `target` that nobody else can have opened. The
// kernel applies the umask to 0666, as for any file the user creates, without
// touching the process-wide umask other threads rely on.
int CreateTemporary(const std::filesystem::path& dir, const std::string& name, std::string& temp)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        temp = (dir / ("." + name + "." + std::to_string(::getpid()) + "." + std::to_string(counter++) + "." +
                       std::to_string(stamp % 1000000)))
                   .string();
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// A symbolic link is followed, so the file it names is replaced, not the link.
std::string ResolveTarget(const std::string& path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto target = std::filesystem::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

} // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error)
{
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0) {
        error = "cannot open: " + SystemReason(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = "not a regular file";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > CONFIG_FILE_MAX_BYTES) {
        error = "file of " + std::to_string(st.st_size) + " bytes is too large for a configuration";
        return false;
    }
    std::string read;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = "cannot read: " + SystemReason(errno);
            return false;
        }
        if (n == 0)
            break;
        read.append(buffer, static_cast<std::size_t>(n));
        if (read.size() > CONFIG_FILE_MAX_BYTES) {
            error = "file is too large for a configuration";
            return false;
        }
    }
    bytes = std::move(read);
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error)
{
    const std::filesystem::path target = ResolveTarget(path);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::string temp;
    CFd fd(CreateTemporary(dir, target.filename().string(), temp));
    if (fd.Get() < 0) {
        error = "cannot create a temporary file in " + dir.string() + ": " + SystemReason(errno);
        return false;
    }
    // A file that is replaced keeps its permissions.
    struct stat old {};
    const bool keepMode = ::stat(target.c_str(), &old) == 0;
    const bool written = WriteAll(fd.Get(), bytes) && (!keepMode || ::fchmod(fd.Get(), old.st_mode & 07777) == 0) &&
                         ::fsync(fd.Get()) == 0;
    const int writeErrno = errno;
    const bool closed = ::close(fd.Release()) == 0;
    if (!written || !closed) {
        error = "cannot write: " + SystemReason(written ? errno : writeErrno);
        ::unlink(temp.c_str());
        return false;
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        error = "cannot replace the file: " + SystemReason(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace kestrelon
