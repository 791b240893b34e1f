// brenvaldor-sim as a user starts it: options that cannot serve end it at once with status 2 and a
// message, before anything on disk is touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

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

} // namespace
} // namespace bf::test
