#include "cli/CommandLine.h"

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Invocation.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#ifndef BF_VERSION
#define BF_VERSION "unknown"
#endif

namespace bf::cli {

namespace {

constexpr char kProgram[] = "brenvaldor";
constexpr char kDescription[] =
    "brenvaldor writes firmware into the Brenvaldor lift controller over RS-232 (Port P211), reads\n"
    "its program flash back, backs up and restores its setup parameters, erases the parameter\n"
    "blocks, restarts it and finds its port. It runs the same operations as the BrenvaldorFlash\n"
    "window, prints the window's log lines, and never asks a question.";
constexpr char kUsageErrorHint[] = "Run 'brenvaldor --help' for the commands and options.";
constexpr char kErrorPrefix[] = "brenvaldor: error: ";

// What a subcommand takes besides --json and --quiet.
enum Takes : unsigned {
    kPortOptions = 1,
    kForce = 2,
    kDryRun = 4,
    kParamSearch = 8,
};

struct FileArgument {
    const char* name;
    const char* help;
};

constexpr FileArgument kFirmwareIn{"FILE", "firmware file, .hex (S3 records) or .bin"};

struct Subcommand {
    const char* name;
    const char* summary; // one line in the list of subcommands
    std::vector<FileArgument> files;
    unsigned takes;
    const char* details; // the subcommand's own --help footer
};

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> subcommands{
        {"ports",
         "List COM1 to COM28, their devices and access",
         {},
         0,
         "Shows what the Serial ports window shows: the device each COM number leads to, whether it\n"
         "is there, its USB description and /dev/serial/by-id names, whether you may open it, and\n"
         "what to do when you may not."},
        {"detect",
         "Find the port the controller answers on",
         {},
         kParamSearch,
         "Probes COM1 to COM28 as Setup > Port > AUTO does and prints the first port that answers\n"
         "(\"COMn DEVICE\"); exits with 1 when none does. Without --param the probe needs the\n"
         "controller in 'Connect PC' mode."},
        {"info",
         "Summarise a .hex or .bin firmware file",
         {kFirmwareIn},
         0,
         "Loads FILE as File > Open does and prints its type and size, the non-blank address ranges,\n"
         "the sectors an update erases, the numbers of erase and write frames, and the time the write\n"
         "phase spends on the wire at 9600, 19200, 38400 and 57600 bit/s. A file that does not\n"
         "convert gives its \"Error: N\", the reason and the line of the record, and exit status 65."},
        {"convert",
         "Save a firmware file as a binary image",
         {{"IN", "firmware file, .hex or .bin"}, {"OUT", "binary image to write"}},
         kForce,
         "Loads IN as File > Open does and writes the image to OUT as File > Save As does: \".bin\" is\n"
         "added unless OUT ends in .bin, and the file is written whole or not at all."},
        {"update",
         "Write a firmware file into the controller's flash",
         {kFirmwareIn},
         kPortOptions | kDryRun,
         "Loads FILE as File > Open does, then runs File > Update: erases the sectors the file touches,\n"
         "writes it in acknowledged frames and compares the controller's checksums. The controller\n"
         "must be in 'Connect PC' mode. \"CHECKSUM ERROR\" at the end gives exit status 10.\n"
         "--dry-run prints what info prints and the erase frames, and touches no port."},
        {"verify",
         "Compare the controller's flash with a firmware file",
         {kFirmwareIn},
         kPortOptions,
         "Connects as the update does and asks only for the checksums of sectors 4 to 17: nothing is\n"
         "erased or written. Lists each sector FILE touches as matching or differing; sectors 0 to 3\n"
         "and 18 cannot be checked. Exit status 0 when all checked sectors match, 10 when not."},
        {"backup",
         "Read the controller's program flash into a file",
         {{"OUT", "binary image to write"}},
         kPortOptions | kForce,
         "File > Backup...: reads sectors 1 to 18 into the binary image OUT (\".bin\" is added unless\n"
         "OUT ends in .bin). The controller must be in 'Connect PC' mode."},
        {"param-backup",
         "Save the controller's setup parameters",
         {{"OUT", "parameter file to write"}},
         kPortOptions | kForce,
         "File > Parameter > Backup...: saves the controller's parameter printout in the text file OUT\n"
         "(\".txt\" is added unless OUT ends in .txt). The file is only written when the whole\n"
         "printout came."},
        {"param-update",
         "Send a parameter file to the controller",
         {{"IN", "parameter file to send"}},
         kPortOptions,
         "File > Parameter > Update...: sets the controller's clock to this computer's time, then\n"
         "sends the parameter file IN line by line (\".txt\" is added unless IN ends in .txt). The\n"
         "controller does not answer, so a missing controller is not noticed here."},
        {"param-erase",
         "Erase the controller's three parameter blocks",
         {},
         kPortOptions,
         "File > Parameter > Erase block: erases sectors 1, 2 and 3 at once, without a question.\n"
         "The controller must be in 'Connect PC' mode."},
        {"reset",
         "Restart the controller",
         {},
         kPortOptions,
         "File > Reset: sends the restart command. No answer is awaited."},
    };
    return subcommands;
}

struct OptionText {
    const char* name;
    const char* help;
};

constexpr std::array<OptionText, 4> kPortOptionTexts{{
    {"--port", "COMn (1 to 28) or a device path, used as is"},
    {"--auto", "search the ports first, as Setup > Port > AUTO"},
    {"--baud", "rate of the data phase"},
    {"--wait", "wait up to SECONDS for the port's device"},
}};

constexpr char kPortOptionsHeading[] =
    "Port options, given after the subcommand (brenvaldor update fw.hex --port COM5 --baud 57600):\n";
constexpr char kMainNotes[] =
    "Without them, the port and rate come from the settings file\n"
    "($XDG_CONFIG_HOME/BrenvaldorFlash.ini or ~/.config/BrenvaldorFlash.ini), which is read and\n"
    "never written; its [Ports] section maps COM numbers to devices. BRENVALDOR_PORT in the\n"
    "environment stands in for --port.\n"
    "\n"
    "Output: the log lines on standard output, errors on standard error as \"brenvaldor: error:\n"
    "...\", and on a terminal one progress line (not with --quiet). --json prints one object at\n"
    "the end instead: command, port, baud, result, message, log, elapsed_s, output.\n"
    "\n"
    "Ctrl-C or SIGTERM stops a command at its next wait, closes the port, leaves no output file\n"
    "and exits with 130. Parameter Edit has no command-line form: edit the parameter file in any\n"
    "text editor, then send it with param-update.\n";

std::string PortOptionsHelp() {
    std::string help = kPortOptionsHeading;
    for (const OptionText& o : kPortOptionTexts) {
        char line[96];
        std::snprintf(line, sizeof line, "  %-10s%s\n", o.name, o.help);
        help += line;
    }
    return help;
}

// --wait: a number of seconds, 0 or more. A range check alone would let "nan" through.
std::string CheckSeconds(const std::string& text) {
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || std::isnan(seconds) || seconds < 0)
        return "SECONDS must be a number of seconds, 0 or more: " + text;
    return {};
}

void AddPortOptions(CLI::App& sub, Invocation& inv) {
    sub.add_option(kPortOptionTexts[0].name, inv.port.port, kPortOptionTexts[0].help)->type_name("COMn|PATH");
    sub.add_flag(kPortOptionTexts[1].name, inv.port.autoPort, kPortOptionTexts[1].help);
    sub.add_option(kPortOptionTexts[2].name, inv.port.baud, kPortOptionTexts[2].help)
        ->type_name("RATE")
        ->check(CLI::IsMember({9600, 19200, 38400, 57600}));
    sub.add_option(kPortOptionTexts[3].name, inv.waitSeconds, kPortOptionTexts[3].help)
        ->type_name("SECONDS")
        ->check(CLI::Validator(CheckSeconds, ""));
}

void AddCommand(CLI::App& app, const Subcommand& entry, Invocation& inv, std::vector<std::string>& files) {
    CLI::App* sub = app.add_subcommand(entry.name, entry.summary);
    sub->footer(std::string(entry.details) + "\n\n" + ExitStatusHelp());
    sub->callback([&inv, &files, entry] {
        inv.command = entry.name;
        inv.files.assign(files.begin(), files.begin() + static_cast<long>(entry.files.size()));
    });
    for (std::size_t i = 0; i < entry.files.size(); ++i)
        sub->add_option(entry.files[i].name, files[i], entry.files[i].help)->required()->type_name("");
    if (entry.takes & kPortOptions)
        AddPortOptions(*sub, inv);
    if (entry.takes & kForce)
        sub->add_flag("--force", inv.force, "replace an existing output file");
    if (entry.takes & kDryRun)
        sub->add_flag("--dry-run", inv.dryRun, "print the plan, touch no port");
    if (entry.takes & kParamSearch)
        sub->add_flag("--param", inv.paramSearch, "probe with the parameter handshake");
    sub->add_flag("--json", inv.json, "print one JSON object at the end");
    sub->add_flag("-q,--quiet", inv.quiet, "no progress line");
}

} // namespace

int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    return Main(argc, argv, out, err, errIsTerminal, RunCommand);
}

int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal,
         const CommandRunner& run) {
    CLI::App app(kDescription, kProgram);
    app.set_version_flag("--version", std::string(kProgram) + " " + BF_VERSION);
    app.require_subcommand(1);
    app.get_formatter()->column_width(26);
    app.footer(PortOptionsHelp() + "\n" + kMainNotes + "\n" + ExitStatusHelp());
    Invocation inv;
    std::vector<std::string> files(2);
    for (const Subcommand& entry : Subcommands())
        AddCommand(app, entry, inv, files);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success))
            return app.exit(e, out, err);
        err << kErrorPrefix << e.what() << '\n' << kUsageErrorHint << '\n';
        return exit_status::Usage;
    }
    return run(inv, out, err, errIsTerminal);
}

} // namespace bf::cli
