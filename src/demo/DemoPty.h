// The demo board's end of the line: a pseudo-terminal master in raw mode,
// with its slave's path published as a symbolic link in the user's runtime
// directory. The link goes when the object does.
#pragma once

#include <string>

namespace kestrelon {

class CDemoPty {
public:
    // Opens the pseudo-terminal and links `linkDir`/kestrelon-demo-<pid> to it.
    // Throws std::runtime_error when either fails.
    explicit CDemoPty(const std::string& linkDir);
    ~CDemoPty();
    CDemoPty(const CDemoPty&) = delete;
    CDemoPty& operator=(const CDemoPty&) = delete;

    int Master() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& LinkPath() const { return m_linkPath; }

    // $XDG_RUNTIME_DIR, else /tmp/kestrelon-<uid> (made private to the user).
    static std::string RuntimeDir();

private:
    int m_master = -1;
    std::string m_slavePath;
    std::string m_linkPath;
};

} // namespace kestrelon
