// CDiskStore: openat on the directory descriptor; a name taken meanwhile by
// another writer makes it look for the next unique name.
#include "transfer/DiskStore.h"

#include "transfer/UniqueFileName.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace kestrelon {
namespace {

// How often a name taken by a racing writer is looked for again.
constexpr int CREATE_ATTEMPTS = 16;

} // namespace

CDiskStore::CDiskStore(std::string directory, std::string fileName)
    : m_directory(directory.empty() ? std::string(".") : std::move(directory)), m_fileName(std::move(fileName))
{
    while (m_directory.size() > 1 && m_directory.back() == '/')
        m_directory.pop_back();
}

CDiskStore::~CDiskStore()
{
    Close();
    if (m_dirFd >= 0)
        close(m_dirFd);
}

CDiskStore CDiskStore::ForFile(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return CDiskStore(".", path);
    return CDiskStore(slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1));
}

bool CDiskStore::Create(const std::string& name, std::string& path)
{
    Close();
    const std::string& bare = name.empty() ? m_fileName : name;
    if (bare.empty() || bare.find('/') != std::string::npos)
        return false;
    if (!Prepare())
        return false;
    std::string prefix = m_directory;
    if (prefix.back() != '/')
        prefix.push_back('/');
    for (int attempt = 0; attempt < CREATE_ATTEMPTS; ++attempt) {
        const std::string unique = m_chooser ? m_chooser(prefix + bare) : MakeUniqueFileName(prefix + bare);
        if (unique.size() <= prefix.size() || unique.compare(0, prefix.size(), prefix) != 0)
            return false;
        const std::string leaf = unique.substr(prefix.size());
        if (leaf.find('/') != std::string::npos)
            return false;
        m_fd = openat(m_dirFd, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            path = unique;
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

bool CDiskStore::Prepare()
{
    if (m_dirFd < 0)
        m_dirFd = open(m_directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return m_dirFd >= 0 && faccessat(m_dirFd, ".", W_OK | X_OK, AT_EACCESS) == 0;
}

std::string CDiskStore::DirectoryProblem(const std::string& directory)
{
    const std::string path = directory.empty() ? std::string(".") : directory;
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return std::strerror(errno);
    const bool writable = faccessat(fd, ".", W_OK | X_OK, AT_EACCESS) == 0;
    const int error = errno;
    close(fd);
    return writable ? std::string() : std::strerror(error);
}

bool CDiskStore::Write(const std::uint8_t* data, std::size_t size)
{
    if (m_fd < 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(m_fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void CDiskStore::Close()
{
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

} // namespace kestrelon
