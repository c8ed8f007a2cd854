// CFileSource over a plain descriptor and pread.
#include "transfer/FileSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrelon {

CFileSource::~CFileSource()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool CFileSource::Open(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        errno = EINVAL;
        return false;
    }
    m_fd = fd;
    m_length = static_cast<std::uint64_t>(info.st_size);
    const auto slash = path.find_last_of('/');
    m_name = slash == std::string::npos ? path : path.substr(slash + 1);
    return true;
}

bool CFileSource::ReadAt(std::uint64_t offset, std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(m_fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace kestrelon
