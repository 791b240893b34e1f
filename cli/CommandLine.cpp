#include "cli/CommandLine.h"

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/HelpNotes.h"
#include "cli/Invocation.h"
#include "cli/JsonReport.h"
#include "cli/PortNaming.h"
#include "cli/Usage.h"
#include "core/FileUtil.h"
#include "core/Format.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
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
    const char* details;       // the subcommand's own --help footer
    std::vector<int> statuses; // the exit statuses of its own; 0, 64, 70, 74 (and 130) come with every one
};

const std::vector<Subcommand>& Subcommands() {
    static const std::vector<Subcommand> subcommands{
        {"ports",
         "List COM1 to COM28, their devices and access",
         {},
         0,
         "Shows what the Serial ports window shows: the device each COM number leads to, whether it\n"
         "is there, its USB description and /dev/serial/by-id names, whether you may open it, and\n"
         "what to do when you may not.",
         {}},
        {"detect",
         "Find the port the controller answers on",
         {},
         kParamSearch,
         "Probes COM1 to COM28 as Setup > Port > AUTO does and prints the first port that answers\n"
         "(\"COMn DEVICE\"); exits with 1 when none does. Without --param the probe needs the\n"
         "controller in 'Connect PC' mode.",
         {1}},
        {"info",
         "Summarise a .hex or .bin firmware file",
         {kFirmwareIn},
         0,
         "Loads FILE as File > Open does and prints its type and size, the non-blank address ranges,\n"
         "the sectors an update erases, the numbers of erase and write frames, and the time the write\n"
         "phase spends on the wire at 9600, 19200, 38400 and 57600 bit/s. A file that does not\n"
         "convert gives its \"Error: N\", the reason and the line of the record, and exit status 65.",
         {65, 66}},
        {"convert",
         "Save a firmware file as a binary image",
         {{"IN", "firmware file, .hex or .bin"}, {"OUT", "binary image to write"}},
         kForce,
         "Loads IN as File > Open does and writes the image to OUT as File > Save As does: \".bin\" is\n"
         "added unless OUT ends in .bin, and the file is written whole or not at all. A device, a\n"
         "pipe or a folder as OUT is refused.",
         {65, 66, 73}},
        {"update",
         "Write a firmware file into the controller's flash",
         {kFirmwareIn},
         kPortOptions | kDryRun,
         "Loads FILE as File > Open does, then runs File > Update: erases the sectors the file touches,\n"
         "writes it in acknowledged frames and compares the controller's checksums. The controller\n"
         "must be in 'Connect PC' mode. \"CHECKSUM ERROR\" at the end gives exit status 10.\n"
         "--dry-run prints what info prints and the erase frames, and touches no port.",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 65, 66}},
        {"verify",
         "Compare the controller's flash with a firmware file",
         {kFirmwareIn},
         kPortOptions,
         "Connects as the update does and asks only for the checksums of sectors 4 to 17: nothing is\n"
         "erased or written. Lists each sector FILE touches as matching or differing; sectors 0 to 3\n"
         "and 18 cannot be checked. Exit status 0 when all checked sectors match, 10 when not.",
         {1, 2, 3, 8, 9, 10, 65, 66}},
        {"backup",
         "Read the controller's program flash into a file",
         {{"OUT", "binary image to write"}},
         kPortOptions | kForce,
         "File > Backup...: reads sectors 1 to 18 into the binary image OUT (\".bin\" is added unless\n"
         "OUT ends in .bin). The controller must be in 'Connect PC' mode.",
         {1, 2, 3, 8, 9, 73}},
        {"param-backup",
         "Save the controller's setup parameters",
         {{"OUT", "parameter file to write"}},
         kPortOptions | kForce,
         "File > Parameter > Backup...: saves the controller's parameter printout in the text file OUT\n"
         "(\".txt\" is added unless OUT ends in .txt). The file is only written when the whole\n"
         "printout came.",
         {1, 2, 9, 73}},
        {"param-update",
         "Send a parameter file to the controller",
         {{"IN", "parameter file to send"}},
         kPortOptions,
         "File > Parameter > Update...: sets the controller's clock to this computer's time, then\n"
         "sends the parameter file IN, as it is named, line by line. The controller does not answer,\n"
         "so a missing controller is not noticed here.",
         {1, 9, 66}},
        {"param-erase",
         "Erase the controller's three parameter blocks",
         {},
         kPortOptions,
         "File > Parameter > Erase block: erases sectors 1, 2 and 3 at once, without a question.\n"
         "The controller must be in 'Connect PC' mode.",
         {1, 2, 3, 9}},
        {"reset",
         "Restart the controller",
         {},
         kPortOptions,
         "File > Reset: sends the restart command. No answer is awaited.",
         {1, 9}},
    };
    return subcommands;
}

struct OptionText {
    const char* name;
    const char* help;
};

constexpr std::array<OptionText, 4> kPortOptionTexts{{
    {"--port", kPortOptionHelp},
    {"--auto", "search the ports first, as Setup > Port > AUTO"},
    {"--baud", "rate of the data phase"},
    {"--wait", "wait up to SECONDS for the port's device"},
}};
// Options that take a value: what follows them is never a subcommand.
const std::vector<std::string> kValueOptions{"--port", "--baud", "--wait"};

constexpr char kSubcommandOptions[] =
    "Options of the subcommands, written after the subcommand's name\n"
    "(brenvaldor update fw.hex --port COM5 --baud 57600):\n"
    "  --port COMn|PATH  %s\n"
    "  --auto            search the ports first, as Setup > Port > AUTO\n"
    "  --baud RATE       rate of the data phase: 9600, 19200, 38400 or 57600\n"
    "  --wait SECONDS    wait up to SECONDS for the port's device\n"
    "                    (these four: update, verify, backup, param-backup, param-update,\n"
    "                    param-erase, reset)\n"
    "  --force           replace an existing output file (convert, backup, param-backup)\n"
    "  --dry-run         print the plan and touch no port (update)\n"
    "  --param           probe with the parameter handshake (detect)\n"
    "  --json            print one JSON object at the end (every subcommand)\n"
    "  -q, --quiet       standard output holds the result alone (every subcommand)\n";
constexpr char kMainNotes[] =
    "The port is --port, else BRENVALDOR_PORT from the environment, else the settings file's\n"
    "%s"
    "Only --auto, SerialPort=0 (AUTO) or no settings file at all search COM1 to COM28,\n"
    "and the search names the port it chose before using it. A port that is given but empty or\n"
    "wrong (--port '', an empty BRENVALDOR_PORT, SerialPort=99) is a usage error, never a search.\n"
    "\n"
    "Output: the log lines on standard output, errors on standard error as \"brenvaldor: error:\n"
    "...\", and on a terminal one progress line. --quiet leaves standard output the command's\n"
    "result alone (detect: the port; info: the summary; the others: nothing). --json prints one\n"
    "object at the end instead: command, port, device, baud, result, message, log, elapsed_s,\n"
    "output.\n"
    "\n"
    "%s stops a command at its next wait, closes the port, leaves no output file\n"
    "and exits with 130; a controller the command switched to a faster rate is sent back to\n"
    "9600 bit/s where that is safe, else the message says to switch it off and on.\n"
    "\n"
    "Parameter Edit has no command-line form: edit the parameter file in any text editor, then\n"
    "send it with param-update. 'brenvaldor help SUBCOMMAND' shows the subcommand's own help.\n";

constexpr char kWaitFormat[] = "must be a number of seconds, 0 or more, not '%s'";
constexpr char kUnknownOption[] = "unknown option '%s'";
constexpr char kUnknownOptionOf[] = "unknown option '%s' for %s";
constexpr char kUnexpectedArgument[] = "unexpected argument '%s'";
constexpr char kNoSubcommand[] = "a subcommand is required: %s";
constexpr char kDidYouMean[] = "; did you mean '%s'?";
constexpr char kUnknownSubcommand[] = "unknown subcommand '%s'";
constexpr char kProgramHint[] = "Run '%s --help' for the subcommands and their options.";
constexpr char kSubcommandHint[] = "Run '%s %s --help' for its options.";
constexpr char kHelpWord[] = "help";
const std::vector<std::string> kProgramOptions{"--help", "--version"};

// --wait takes a number of seconds; the range check of the parser would print its upper bound.
CLI::Validator SecondsCheck() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            char* end = nullptr;
            const double seconds = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != '\0' || !(seconds >= 0) || !std::isfinite(seconds))
                return Format(kWaitFormat, text.c_str());
            return {};
        },
        "");
}

void AddPortOptions(CLI::App& sub, Invocation& inv) {
    // An empty value is a port given, and refused: it never turns into a search.
    sub.add_option_function<std::string>(
           kPortOptionTexts[0].name, [&inv](const std::string& port) { inv.port.port = port; },
           kPortOptionTexts[0].help)
        ->type_name("COMn|PATH");
    sub.add_flag(kPortOptionTexts[1].name, inv.port.autoPort, kPortOptionTexts[1].help);
    sub.add_option(kPortOptionTexts[2].name, inv.port.baud, kPortOptionTexts[2].help)
        ->type_name("RATE")
        ->check(CLI::IsMember({9600, 19200, 38400, 57600}));
    sub.add_option(kPortOptionTexts[3].name, inv.waitSeconds, kPortOptionTexts[3].help)
        ->type_name("SECONDS")
        ->check(SecondsCheck());
}

// Every status a subcommand can end with: its own, and those that any run can end with.
std::vector<int> StatusesOf(const Subcommand& entry) {
    std::vector<int> statuses{exit_status::Ok, exit_status::Usage, exit_status::Internal,
                              exit_status::OutputFailed};
    statuses.insert(statuses.end(), entry.statuses.begin(), entry.statuses.end());
    if ((entry.takes & (kPortOptions | kParamSearch)) != 0)
        statuses.push_back(exit_status::Interrupted);
    std::sort(statuses.begin(), statuses.end());
    return statuses;
}

void AddCommand(CLI::App& app, const Subcommand& entry, Invocation& inv, std::vector<std::string>& files) {
    CLI::App* sub = app.add_subcommand(entry.name, entry.summary);
    sub->footer(std::string(entry.details) + "\n\n" + ExitStatusHelp(StatusesOf(entry)));
    sub->allow_extras(); // said in our words after the parse
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
    sub->add_flag("-q,--quiet", inv.quiet, "standard output holds the result alone");
}

std::vector<std::string> SubcommandNames() {
    std::vector<std::string> names;
    for (const Subcommand& entry : Subcommands())
        names.emplace_back(entry.name);
    return names;
}

// The options a subcommand takes, as they are written.
std::vector<std::string> OptionNames(const CLI::App& sub) {
    std::vector<std::string> names;
    for (const CLI::Option* option : sub.get_options()) {
        for (const std::string& name : option->get_lnames())
            names.push_back("--" + name);
        for (const std::string& name : option->get_snames())
            names.push_back("-" + name);
    }
    return names;
}

std::string WithSuggestion(std::string text, const std::string& word,
                           const std::vector<std::string>& candidates) {
    if (const auto close = Suggestion(word, candidates))
        text += Format(kDidYouMean, close->c_str());
    return text;
}

std::string UnknownOption(const std::string& token, const std::vector<std::string>& candidates,
                          const std::string& subcommand = {}) {
    const std::string name = token.substr(0, token.find('='));
    const std::string text = subcommand.empty() ? Format(kUnknownOption, name.c_str())
                                                : Format(kUnknownOptionOf, name.c_str(), subcommand.c_str());
    return WithSuggestion(text, name, candidates);
}

// What was left over after the subcommand took its arguments: an unknown option or an argument
// too many. Empty when nothing was.
std::string Leftover(const CLI::App& sub) {
    const std::vector<std::string> rest = sub.remaining();
    if (rest.empty())
        return {};
    const std::string& token = rest.front();
    if (token.size() > 1 && token[0] == '-')
        return UnknownOption(token, OptionNames(sub), sub.get_name());
    return Format(kUnexpectedArgument, token.c_str());
}

// Without a subcommand only --help and --version are understood.
std::string ProgramUsageError(const std::vector<std::string>& args) {
    for (const std::string& token : args)
        if (std::find(kProgramOptions.begin(), kProgramOptions.end(), token) == kProgramOptions.end() &&
            token != "-h")
            return UnknownOption(token, kProgramOptions);
    if (!args.empty())
        return {};
    std::string names;
    for (const std::string& name : SubcommandNames())
        names += (names.empty() ? "" : ", ") + name;
    return Format(kNoSubcommand, names.c_str());
}

// A usage error: the message and where to look on standard error, and with --json anywhere on
// the line the one report object too.
int UsageError(const std::string& subcommand, const std::string& message, bool json, std::ostream& out,
               std::ostream& err) {
    err << kErrorPrefix << message << '\n'
        << (subcommand.empty() ? Format(kProgramHint, kProgram)
                               : Format(kSubcommandHint, kProgram, subcommand.c_str()))
        << '\n';
    if (json) {
        Report report;
        report.command = subcommand;
        report.result = exit_status::Usage;
        report.message = message;
        WriteOutput(out, JsonReport(report));
    }
    return exit_status::Usage;
}

// Help or version text on standard output: 0, or 74 when it could not be written.
int PrintHelp(std::ostream& out, std::ostream& err, std::string_view text) {
    if (text.ends_with('\n'))
        text.remove_suffix(1);
    if (const int error = WriteOutput(out, text); error != 0 && error != EPIPE) {
        err << kErrorPrefix << "cannot write standard output: " << SystemReason(error) << '\n';
        return exit_status::OutputFailed;
    }
    return exit_status::Ok;
}

struct Parser {
    CLI::App app{kDescription, kProgram};
    Invocation inv;
    std::vector<std::string> files = std::vector<std::string>(2);

    Parser() {
        app.set_version_flag("--version", std::string(kProgram) + " " + BF_VERSION);
        app.get_formatter()->column_width(26);
        app.footer(Format(kSubcommandOptions, kPortOptionHelp) + "\n" +
                   Format(kMainNotes, kSettingsNote, kInterruptNote) + "\n" + ExitStatusHelp());
        for (const Subcommand& entry : Subcommands())
            AddCommand(app, entry, inv, files);
    }
};

// "brenvaldor help [SUBCOMMAND]".
int Help(Parser& parser, const std::vector<std::string>& args, bool json, std::ostream& out,
         std::ostream& err) {
    if (args.size() == 1)
        return PrintHelp(out, err, parser.app.help());
    const std::vector<std::string> names = SubcommandNames();
    if (args.size() > 2)
        return UsageError("", Format(kUnexpectedArgument, args.back().c_str()), json, out, err);
    if (std::find(names.begin(), names.end(), args[1]) == names.end())
        return UsageError("", WithSuggestion(Format(kUnknownSubcommand, args[1].c_str()), args[1], names),
                          json, out, err);
    return PrintHelp(out, err, parser.app.get_subcommand(args[1])->help(kProgram));
}

} // namespace

int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    return Main(argc, argv, out, err, errIsTerminal, RunCommand);
}

int Main(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool errIsTerminal,
         const CommandRunner& run) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    Parser parser;
    if (!args.empty() && args.front() == kHelpWord)
        return Help(parser, args, json, out, err);
    const ArrangedArguments arranged = ArrangeArguments(args, SubcommandNames(), kValueOptions);
    if (!arranged.error.empty())
        return UsageError(arranged.subcommand, arranged.error, json, out, err);
    if (arranged.subcommand.empty())
        if (const std::string error = ProgramUsageError(args); !error.empty())
            return UsageError("", error, json, out, err);
    try {
        std::vector<std::string> reversed(arranged.args.rbegin(), arranged.args.rend());
        parser.app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            std::ostringstream text;
            parser.app.exit(e, text, err);
            return PrintHelp(out, err, text.str());
        }
        return UsageError(arranged.subcommand, e.what(), json, out, err);
    }
    if (const std::string leftover = Leftover(*parser.app.get_subcommand(arranged.subcommand));
        !leftover.empty())
        return UsageError(arranged.subcommand, leftover, json, out, err);
    return run(parser.inv, out, err, errIsTerminal);
}

} // namespace bf::cli
