// libFuzzer target: brenvaldor's argument handling on arbitrary argument vectors (the input cut
// at NUL bytes), in process. The parsed command is not run: a runner of its own checks what the
// parsing made of the arguments, so no port is opened and no file is written.
// Checks: no crash; help and the version print something and end with 0; every refusal is the
// usage status 64 with "brenvaldor: error: " and a reason; a parsed command is one of the
// subcommands with its own number of files, a rate of the four, a wait of a real number of
// seconds, and a port request that the port choice takes or refuses with a reason.
#include "cli/CommandLine.h"
#include "cli/PortChoice.h"
#include "core/IniFile.h"
#include "fuzz/Violation.h"

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace bf;
using namespace bf::cli;
using bf::fuzz::Require;

constexpr std::size_t kMaxArguments = 24;
constexpr int kUsage = 64;

// The subcommands and how many files each takes.
const std::map<std::string, std::size_t>& Files() {
    static const std::map<std::string, std::size_t> files{
        {"ports", 0},        {"detect", 0},      {"info", 1},   {"convert", 2},
        {"update", 1},       {"verify", 1},      {"backup", 1}, {"param-backup", 1},
        {"param-update", 1}, {"param-erase", 0}, {"reset", 0},
    };
    return files;
}

int CheckInvocation(const Invocation& inv, std::ostream&, std::ostream&, bool) {
    const auto command = Files().find(inv.command);
    Require(command != Files().end(), "a command that is none of the subcommands");
    Require(inv.files.size() == command->second, "a command with another number of files than it takes");
    const int baud = inv.port.baud;
    Require(baud == 0 || baud == 9600 || baud == 19200 || baud == 38400 || baud == 57600,
            "a rate that is none of the four");
    Require(inv.waitSeconds == -1 || (inv.waitSeconds >= 0 && !std::isnan(inv.waitSeconds)),
            "a wait that is no number of seconds");
    std::string error;
    if (!ChoosePort(inv.port, IniFile(), nullptr, error))
        Require(!error.empty(), "a port request refused without a reason");
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments{"brenvaldor"};
    std::string current;
    for (std::size_t i = 0; i < size && arguments.size() < kMaxArguments; ++i) {
        if (data[i] != 0) {
            current.push_back(static_cast<char>(data[i]));
            continue;
        }
        arguments.push_back(current);
        current.clear();
    }
    if (!current.empty() && arguments.size() < kMaxArguments)
        arguments.push_back(current);
    std::vector<const char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(a.c_str());

    std::ostringstream out;
    std::ostringstream err;
    bool ran = false;
    const int status = Main(static_cast<int>(argv.size()), argv.data(), out, err, false,
                            [&ran](const Invocation& inv, std::ostream& o, std::ostream& e, bool t) {
                                ran = true;
                                return CheckInvocation(inv, o, e, t);
                            });
    if (ran)
        return 0;
    if (status == kUsage) {
        const std::string message = err.str();
        const std::string prefix = "brenvaldor: error: ";
        Require(message.rfind(prefix, 0) == 0 && message.size() > prefix.size() + 1 &&
                    message[prefix.size()] != '\n',
                "a refusal without its reason");
        return 0;
    }
    Require(status == 0 && !out.str().empty(),
            "ended without running a command, and neither with help nor with 64");
    return 0;
}
