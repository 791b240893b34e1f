#pragma once

// A pseudo-terminal of the test's own: the test holds the far end (master) and opens the terminal
// end as a port would, or lets CSerialPort open it through a port map.

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace bf::test {

struct Terminal {
    Terminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128];
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0 &&
            ptsname_r(master, name, sizeof name) == 0)
            path = name;
    }
    ~Terminal() {
        if (port >= 0)
            close(port);
        if (master >= 0)
            close(master);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    int OpenPort(const std::string& via) { return port = open(via.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC); }

    int master = -1;
    int port = -1; // our own descriptor on the terminal end, when opened
    std::string path;
};

} // namespace bf::test
