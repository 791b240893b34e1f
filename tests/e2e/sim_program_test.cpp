// brenvaldor-sim as a user starts it: options that cannot serve end it at once with status 2 and a
// message, before anything on disk is touched.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
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

TEST(SimProgram, RecordThatCannotBeWrittenAtExitEndsWithStatus1) {
    std::string pattern = (fs::temp_directory_path() / "bf-simrec-XXXXXX").string();
    const fs::path dir = ::mkdtemp(pattern.data());
    fs::create_directory(dir / "gone");
    const std::string record = (dir / "gone" / "record").string();
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> args{BF_SIM_PROGRAM, "--record", record};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, BF_SIM_PROGRAM, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    FILE* output = fdopen(out[0], "r");
    char line[256] = {};
    ASSERT_NE(fgets(line, sizeof line, output), nullptr); // the terminal: it serves
    fs::remove_all(dir / "gone");
    kill(pid, SIGTERM);
    std::string rest;
    while (fgets(line, sizeof line, output))
        rest += line;
    fclose(output);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(rest, "brenvaldor-sim: cannot write " + record + "\n");
    fs::remove_all(dir);
}

} // namespace
} // namespace bf::test
