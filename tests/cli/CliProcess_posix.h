#pragma once

// Runs the built brenvaldor as a separate process, as a script would, and collects its output.

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#ifndef BF_CLI_PROGRAM
#error "BF_CLI_PROGRAM must name the brenvaldor executable"
#endif

extern char** environ;

namespace bf::test {

struct CliResult {
    int status = -1; // the exit status; 128 + n after signal n
    std::string out;
    std::string err;
};

class CliProcess {
  public:
    // `env` entries ("NAME=value") replace or add to this process's environment; BRENVALDOR_PORT
    // is dropped unless given.
    CliProcess(const std::vector<std::string>& args, const std::vector<std::string>& env) {
        int outPipe[2];
        int errPipe[2];
        if (pipe(outPipe) != 0 || pipe(errPipe) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, outPipe[0]);
        posix_spawn_file_actions_addclose(&actions, errPipe[0]);
        std::vector<std::string> all{BF_CLI_PROGRAM};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> envStrings = Environment(env);
        std::vector<char*> envp;
        for (std::string& e : envStrings)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const int spawned = posix_spawn(&m_pid, BF_CLI_PROGRAM, &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(outPipe[1]);
        close(errPipe[1]);
        m_out = outPipe[0];
        m_err = errPipe[0];
        if (spawned != 0)
            throw std::runtime_error("cannot start brenvaldor");
    }
    ~CliProcess() {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            Wait();
        }
        close(m_out);
        close(m_err);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads output until standard output holds `text`; false when the process ended or the limit
    // passed first.
    bool WaitForOutput(const std::string& text, int limitMs = 30000) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (m_result.out.find(text) == std::string::npos) {
            if (std::chrono::steady_clock::now() >= end || !ReadSome(50))
                return m_result.out.find(text) != std::string::npos;
        }
        return true;
    }

    void Signal(int sig) { kill(m_pid, sig); }

    CliResult Wait() {
        while (ReadSome(-1)) {
        }
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = 0;
        m_result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_result;
    }

  private:
    static std::vector<std::string> Environment(const std::vector<std::string>& extra) {
        std::vector<std::string> env;
        auto overridden = [&extra](const std::string& entry) {
            const std::string name = entry.substr(0, entry.find('=') + 1);
            if (name == "BRENVALDOR_PORT=")
                return true;
            for (const std::string& e : extra)
                if (e.compare(0, name.size(), name) == 0)
                    return true;
            return false;
        };
        for (char** e = environ; *e; ++e)
            if (!overridden(*e))
                env.emplace_back(*e);
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }

    // Reads what is there (waiting up to timeoutMs); false once both streams are at their end.
    bool ReadSome(int timeoutMs) {
        pollfd fds[2] = {{m_outOpen ? m_out : -1, POLLIN, 0}, {m_errOpen ? m_err : -1, POLLIN, 0}};
        if (!m_outOpen && !m_errOpen)
            return false;
        if (poll(fds, 2, timeoutMs) <= 0)
            return true;
        Drain(fds[0], m_out, m_outOpen, m_result.out);
        Drain(fds[1], m_err, m_errOpen, m_result.err);
        return m_outOpen || m_errOpen;
    }

    static void Drain(const pollfd& p, int fd, bool& open, std::string& into) {
        if (!(p.revents & (POLLIN | POLLHUP)))
            return;
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0)
            into.append(buffer, static_cast<std::size_t>(n));
        else
            open = false;
    }

    pid_t m_pid = 0;
    int m_out = -1;
    int m_err = -1;
    bool m_outOpen = true;
    bool m_errOpen = true;
    CliResult m_result;
};

inline CliResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    CliProcess process(args, env);
    return process.Wait();
}

} // namespace bf::test
