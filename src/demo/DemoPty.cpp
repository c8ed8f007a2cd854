// CDemoPty: openpty in raw mode; the slave is closed at once so the master
// sees a hang-up until a terminal opens the line.
#include "demo/DemoPty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kestrelon {

namespace {
std::runtime_error Failure(const std::string& what)
{
    return std::runtime_error(what + ": " + std::strerror(errno));
}
} // namespace

std::string CDemoPty::RuntimeDir()
{
    if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); dir != nullptr && dir[0] == '/')
        return dir;
    // A shared /tmp: the directory must be ours alone, not someone's link.
    const std::string dir = "/tmp/kestrelon-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw Failure("cannot make " + dir);
    struct stat info {};
    if (lstat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 0077) != 0)
        throw std::runtime_error(dir + " is not a private directory of this user");
    return dir;
}

CDemoPty::CDemoPty(const std::string& linkDir)
{
    int slave = -1;
    char name[256] = {};
    struct termios raw {};
    cfmakeraw(&raw);
    cfsetspeed(&raw, B115200);
    if (openpty(&m_master, &slave, name, &raw, nullptr) != 0)
        throw Failure("openpty");
    close(slave);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = name;
    const std::string link = linkDir + "/kestrelon-demo-" + std::to_string(getpid());
    unlink(link.c_str()); // a leftover of an earlier process with this number
    if (symlink(m_slavePath.c_str(), link.c_str()) != 0) {
        const auto error = Failure("cannot link " + link);
        close(m_master);
        throw error;
    }
    m_linkPath = link;
}

CDemoPty::~CDemoPty()
{
    if (!m_linkPath.empty())
        unlink(m_linkPath.c_str());
    if (m_master >= 0)
        close(m_master);
}

} // namespace kestrelon
