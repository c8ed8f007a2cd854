// A raw pseudo-terminal pair for the benchmarks: the master plays the device,
// the slave is the port the program under measurement opens.
#pragma once

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace kestrelon::bench {

struct Pty {
    Pty()
    {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master, &slave, name, &raw, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path = name;
    }
    ~Pty()
    {
        for (int fd : {master, slave})
            if (fd >= 0)
                close(fd);
    }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master = -1;
    int slave = -1;
    std::string path;
};

} // namespace kestrelon::bench
