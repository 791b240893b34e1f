#pragma once

// Another program that has a device open, without a lock: `sleep` with the device as its input.

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bf::test {

class HolderProcess {
  public:
    // posix_spawn returns once the child has run exec, so the device is open (its descriptor 0)
    // and the process is named "sleep" by the time the constructor returns.
    explicit HolderProcess(const std::string& device) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, device.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK, 0);
        char* argv[] = {const_cast<char*>("sleep"), const_cast<char*>("60"), nullptr};
        const int spawned = posix_spawn(&m_pid, "/bin/sleep", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            throw std::runtime_error("cannot start the holder");
    }
    ~HolderProcess() { Stop(); }
    HolderProcess(const HolderProcess&) = delete;
    HolderProcess& operator=(const HolderProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    // Ends it; its descriptor is closed once this returns.
    void Stop() {
        if (m_pid <= 0)
            return;
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = 0;
    }

  private:
    pid_t m_pid = 0;
};

} // namespace bf::test
