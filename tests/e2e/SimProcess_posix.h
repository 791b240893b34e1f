#pragma once

// Starts the built brenvaldor-sim on a pseudo-terminal for one test and stops it again.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef BF_SIM_PROGRAM
#error "BF_SIM_PROGRAM must name the brenvaldor-sim executable"
#endif

extern char** environ;

namespace bf::test {

class SimProcess {
  public:
    // Starts the simulator with these extra arguments and waits until it printed its terminal.
    explicit SimProcess(const std::vector<std::string>& args = {}) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::vector<std::string> all{BF_SIM_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int spawned = posix_spawn(&m_pid, BF_SIM_PROGRAM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (spawned != 0) {
            close(pipeFds[0]);
            throw std::runtime_error("cannot start brenvaldor-sim");
        }
        m_path = ReadLine(pipeFds[0]);
        close(pipeFds[0]);
        if (m_path.empty())
            throw std::runtime_error("brenvaldor-sim printed no terminal");
    }
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Path() const { return m_path; }

    // Ends the simulator (if still running) and returns the CPU time it used, in seconds.
    double Stop() {
        if (m_pid <= 0)
            return m_cpuSeconds;
        kill(m_pid, SIGTERM);
        Reap();
        return m_cpuSeconds;
    }

    // True once the simulator has ended by itself (after a dropped link), waiting at most maxMs.
    bool Exited(int maxMs) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        while (m_pid > 0 && std::chrono::steady_clock::now() < end) {
            int status = 0;
            rusage usage{};
            if (wait4(m_pid, &status, WNOHANG, &usage) == m_pid) {
                m_pid = 0;
                m_cpuSeconds = Seconds(usage);
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return m_pid <= 0;
    }

  private:
    static double Seconds(const rusage& u) {
        return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
               static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }

    void Reap() {
        int status = 0;
        rusage usage{};
        while (wait4(m_pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        m_pid = 0;
        m_cpuSeconds = Seconds(usage);
    }

    // The first line the simulator prints: its terminal's path (start-up takes milliseconds).
    static std::string ReadLine(int fd) {
        constexpr int kStartLimitMs = 10000;
        std::string line;
        pollfd p{fd, POLLIN, 0};
        char c = 0;
        while (poll(&p, 1, kStartLimitMs) > 0 && read(fd, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        return line;
    }

    pid_t m_pid = 0;
    std::string m_path;
    double m_cpuSeconds = 0;
};

} // namespace bf::test
