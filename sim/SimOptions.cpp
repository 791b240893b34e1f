#include "sim/SimOptions.h"

#include "core/FileSystem.h"
#include "core/System.h"

#include <charconv>
#include <filesystem>
#include <functional>
#include <map>

namespace bf::sim {

namespace {

constexpr char kUsage[] =
    "usage: brenvaldor-sim [options]\n"
    "Serves the lift controller model on a pseudo-terminal and prints the terminal's path.\n"
    "\n"
    "  --link PATH            also make a symlink PATH to the terminal; PATH must not exist\n"
    "                         yet, and the link is removed at exit\n"
    "  --pace                 the line takes its time both ways: 11 bits per byte at its rate\n"
    "  --no-rate-check        hear and answer whatever line speed the terminal is set to\n"
    "                         (by default bytes are lost while the terminal's speed differs\n"
    "                         from the controller's rate, as on a real line)\n"
    "  --printout FILE        parameter printout sent for FF 24 (default: a built-in one)\n"
    "  --record FILE          at exit, write every text received after FF 23 to FILE,\n"
    "                         each preceded by FF 23\n"
    "\n"
    "Faults (CMD is a command byte in hex: F1..FD, or an escape code 01, 20, 21, 24):\n"
    "  --silent               answer nothing at all\n"
    "  --silent-on CMD[,CMD]  do not hear these commands\n"
    "  --delay MS             every answer comes MS milliseconds late\n"
    "  --wrong-byte CMD=XX    replace the first byte of the answer to CMD by XX (hex)\n"
    "  --extra-bytes CMD=N    append N extra bytes to the answer to CMD\n"
    "  --refuse-frame K       refuse the K-th write frame received (1-based) ...\n"
    "  --refuse-code XX       ... with 04, 05 or 06 (default 05) ...\n"
    "  --refuse-times R       ... R times in a row (default 1)\n"
    "  --noise N              send N noise bytes ahead of every answer\n"
    "  --drop-after N         close the terminal (the device vanishes) after N write frames\n"
    "  --stream               send a continuous text stream and ignore every command\n"
    "  --store-ms MS          take MS milliseconds to store each text; what comes meanwhile is lost\n"
    "  --help                 show this text\n";

bool ParseNumber(const std::string& text, unsigned long& value, int base) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value, base);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool ParseByte(const std::string& text, std::uint8_t& value) {
    unsigned long number = 0;
    if (!ParseNumber(text, number, 16) || number > 0xFF)
        return false;
    value = static_cast<std::uint8_t>(number);
    return true;
}

bool ParseCount(const std::string& text, std::uint32_t& value) {
    unsigned long number = 0;
    if (!ParseNumber(text, number, 10) || number > 0xFFFFFFFFul)
        return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

// "CMD=VALUE" with a hex command byte.
bool ParsePair(const std::string& text, std::uint8_t& command, std::string& value) {
    const auto equals = text.find('=');
    if (equals == std::string::npos)
        return false;
    value = text.substr(equals + 1);
    return ParseByte(text.substr(0, equals), command);
}

bool ParseCommandList(const std::string& text, std::set<std::uint8_t>& commands) {
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        std::uint8_t command = 0;
        if (!ParseByte(text.substr(start, comma - start), command))
            return false;
        commands.insert(command);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

using ValueHandler = std::function<bool(SimOptions&, const std::string&)>;

const std::map<std::string, ValueHandler>& ValueOptions() {
    static const std::map<std::string, ValueHandler> handlers{
        {"--link", [](SimOptions& o, const std::string& v) { return o.linkPath = v, !v.empty(); }},
        {"--printout", [](SimOptions& o, const std::string& v) { return o.printoutFile = v, !v.empty(); }},
        {"--record", [](SimOptions& o, const std::string& v) { return o.recordFile = v, !v.empty(); }},
        {"--silent-on",
         [](SimOptions& o, const std::string& v) { return ParseCommandList(v, o.faults.silentOn); }},
        {"--delay",
         [](SimOptions& o, const std::string& v) { return ParseCount(v, o.faults.answerDelayMs); }},
        {"--wrong-byte",
         [](SimOptions& o, const std::string& v) {
             std::uint8_t command = 0;
             std::string value;
             return ParsePair(v, command, value) && ParseByte(value, o.faults.wrongByteOn[command]);
         }},
        {"--extra-bytes",
         [](SimOptions& o, const std::string& v) {
             std::uint8_t command = 0;
             std::string value;
             std::uint32_t count = 0;
             if (!ParsePair(v, command, value) || !ParseCount(value, count))
                 return false;
             o.faults.extraBytesOn[command] = count;
             return true;
         }},
        {"--refuse-frame",
         [](SimOptions& o, const std::string& v) { return ParseCount(v, o.faults.refuseFrame); }},
        {"--refuse-code",
         [](SimOptions& o, const std::string& v) { return ParseByte(v, o.faults.refuseCode); }},
        {"--refuse-times",
         [](SimOptions& o, const std::string& v) { return ParseCount(v, o.faults.refuseTimes); }},
        {"--noise",
         [](SimOptions& o, const std::string& v) {
             std::uint32_t count = 0;
             return ParseCount(v, count) ? (o.faults.noiseBytes = count, true) : false;
         }},
        {"--drop-after",
         [](SimOptions& o, const std::string& v) { return ParseCount(v, o.faults.dropAfterFrames); }},
        {"--store-ms", [](SimOptions& o, const std::string& v) { return ParseCount(v, o.faults.storeMs); }},
    };
    return handlers;
}

// The record is written at exit: into an existing file this user may write, or as a new file in a
// folder this user may write to. "" when it can be written, else what stands in the way.
std::string CheckRecordFile(const std::string& path) {
    const FileType type = TypeOf(path);
    if (type == FileType::Folder)
        return "is a folder, not a file";
    if (type != FileType::Missing) {
        const int error = CheckAccess(path, Access::Write);
        return error == 0 ? "" : ErrnoText(error);
    }
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty())
        folder = ".";
    const FileType folderType = TypeOf(folder);
    if (folderType == FileType::Missing)
        return "the folder " + folder + " does not exist";
    if (folderType != FileType::Folder)
        return folder + " is not a folder";
    if (const int error = CheckAccess(folder, Access::Write); error != 0)
        return "the folder " + folder + " is not writable: " + ErrnoText(error);
    return {};
}

// What the options name on disk is checked at the start, so a mistake is reported before the
// terminal is served rather than found out, or silently lost, at exit.
std::string CheckPaths(const SimOptions& o) {
    if (!o.linkPath.empty() && NameInUse(o.linkPath))
        return "--link " + o.linkPath + ": something is already there; brenvaldor-sim replaces " +
               "nothing, so remove it or choose another path";
    if (!o.printoutFile.empty()) {
        if (const int error = CheckAccess(o.printoutFile, Access::Read); error != 0)
            return "--printout " + o.printoutFile + ": " + ErrnoText(error);
        if (TypeOf(o.printoutFile) == FileType::Folder)
            return "--printout " + o.printoutFile + ": is a folder, not a file";
    }
    const std::string problem = o.recordFile.empty() ? "" : CheckRecordFile(o.recordFile);
    return problem.empty() ? "" : "--record " + o.recordFile + ": " + problem;
}

// The controller refuses a frame only with these codes.
bool IsRefusalCode(std::uint8_t code) {
    return code >= 0x04 && code <= 0x06;
}

bool ApplyFlag(SimOptions& o, const std::string& flag) {
    if (flag == "--pace")
        o.pace = true;
    else if (flag == "--no-rate-check")
        o.rateCheck = false;
    else if (flag == "--silent")
        o.faults.silent = true;
    else if (flag == "--stream")
        o.faults.stream = true;
    else if (flag == "--help" || flag == "-h")
        o.help = true;
    else
        return false;
    return true;
}

} // namespace

const char* SimUsage() {
    return kUsage;
}

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error) {
    SimOptions options;
    options.faults.refuseTimes = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (ApplyFlag(options, args[i]))
            continue;
        const auto handler = ValueOptions().find(args[i]);
        if (handler == ValueOptions().end()) {
            error = "unknown option " + args[i];
            return std::nullopt;
        }
        if (i + 1 >= args.size() || !handler->second(options, args[i + 1])) {
            error = "bad or missing value for " + args[i];
            return std::nullopt;
        }
        ++i;
    }
    if (!IsRefusalCode(options.faults.refuseCode)) {
        error = "--refuse-code must be 04, 05 or 06";
        return std::nullopt;
    }
    error = CheckPaths(options);
    if (!error.empty())
        return std::nullopt;
    return options;
}

} // namespace bf::sim
