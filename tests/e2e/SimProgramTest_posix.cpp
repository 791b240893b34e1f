// brenvaldor-sim as a user starts it: options that cannot serve end it at once with status 2 and a
// message, before anything on disk is touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bf::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string output;
};

// Runs the simulator with `args`; one that starts serving instead of refusing is stopped after ten
// seconds (status 124) rather than hanging the suite.
Outcome RunSim(const std::vector<std::string>& args) {
    std::string command = std::string("timeout 10 ") + BF_SIM_PROGRAM;
    for (const std::string& a : args)
        command += " '" + a + "'";
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    Outcome outcome{-1, {}};
    if (pipe == nullptr)
        return outcome;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        outcome.output += buffer;
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

TEST(SimProgram, OptionsThatCannotServeEndItWithStatus2) {
    std::string pattern = (fs::temp_directory_path() / "bf-simprog-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    const std::string taken = (dir / "taken").string();
    std::ofstream(taken) << "keep";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--link", taken}, "brenvaldor-sim: --link " + taken + ": something is already there"},
        {{"--record", (dir / "missing/record").string()}, "does not exist"},
        {{"--printout", dir.string()}, "is a folder, not a file"},
        {{"--refuse-code", "00"}, "--refuse-code must be 04, 05 or 06"},
        {{"--refuse-code", "07"}, "--refuse-code must be 04, 05 or 06"},
    };
    for (const auto& [args, message] : cases) {
        SCOPED_TRACE(args[0] + " " + args[1]);
        const Outcome outcome = RunSim(args);
        EXPECT_EQ(outcome.status, 2);
        EXPECT_NE(outcome.output.find(message), std::string::npos) << outcome.output;
    }
    std::ifstream in(taken);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
    fs::remove_all(dir);
}

// brenvaldor-sim serving in the background, its standard output and error in one pipe.
class ServingSim {
  public:
    explicit ServingSim(std::vector<std::string> args) {
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), BF_SIM_PROGRAM);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, BF_SIM_PROGRAM, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_output = fdopen(out[0], "r");
        char line[256] = {};
        if (m_pid > 0 && fgets(line, sizeof line, m_output))
            m_terminal = std::string(line, std::strcspn(line, "\n"));
    }
    ~ServingSim() { Stop(); }

    // The terminal it serves; empty when it did not start serving.
    const std::string& Terminal() const { return m_terminal; }

    // Ends it as Ctrl-C would; its exit status (-1 when it did not exit) and what it printed then.
    Outcome Stop() {
        Outcome outcome{-1, {}};
        if (m_pid <= 0)
            return outcome;
        kill(m_pid, SIGTERM);
        char line[256];
        while (fgets(line, sizeof line, m_output))
            outcome.output += line;
        fclose(m_output);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = 0;
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }

  private:
    pid_t m_pid = 0;
    FILE* m_output = nullptr;
    std::string m_terminal;
};

// Sends the controller a parameter line at 9600 bit/s and waits (at most five seconds) for the
// answer to a handshake sent after it, so the line has surely been taken in.
bool SendParameterLine(const std::string& terminal) {
    const int fd = open(terminal.c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    if (fd < 0 || tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    cfsetspeed(&t, B9600);
    tcsetattr(fd, TCSANOW, &t);
    const char bytes[] = "\xFF\x23P1=1\r\xFF\x01";
    bool answered = write(fd, bytes, sizeof bytes - 1) == static_cast<ssize_t>(sizeof bytes - 1);
    std::string reply;
    pollfd p{fd, POLLIN, 0};
    while (answered && reply.find("\xFF\x02") == std::string::npos && poll(&p, 1, 5000) == 1) {
        char buffer[64];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        answered = n > 0;
        reply.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    close(fd);
    return reply.find("\xFF\x02") != std::string::npos;
}

TEST(SimProgram, RecordThatCannotBeWrittenAtExitEndsWithStatus1) {
    std::string pattern = (fs::temp_directory_path() / "bf-simrec-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    fs::create_directory(dir / "gone");
    const std::string removed = (dir / "gone" / "record").string();
    // The folder vanishes during the run; /dev/full takes the file but not its bytes.
    for (const std::string& record : {removed, std::string("/dev/full")}) {
        SCOPED_TRACE(record);
        ServingSim sim({"--record", record});
        ASSERT_FALSE(sim.Terminal().empty());
        ASSERT_TRUE(SendParameterLine(sim.Terminal()));
        fs::remove_all(dir / "gone");
        const Outcome outcome = sim.Stop();
        EXPECT_EQ(outcome.status, 1);
        EXPECT_EQ(outcome.output, "brenvaldor-sim: cannot write " + record + "\n");
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace bf::test
