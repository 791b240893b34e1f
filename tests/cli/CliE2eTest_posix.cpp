// brenvaldor as a script runs it, against brenvaldor-sim on a pseudo-terminal.
#include "sim/PtyServer.h"
#include "tests/cli/CliFixture_posix.h"
#include "tests/support/HolderProcess_posix.h"

#include <nlohmann/json.hpp>

#include <sys/stat.h>
#include <thread>

namespace bf::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

using CliCommands = CliFixture;

TEST_F(CliCommands, UpdateThenBackupReadsBackTheFlashFrom0x4000) {
    // On a loaded machine the simulator may read the update's closing F9 only after the backup has
    // set the terminal back to 9600, and would then not hear it; a real line has no such lag.
    StartSim({"--no-rate-check"});
    // Sectors 1 to 4 partly filled, with a pattern that shows any shift.
    std::vector<std::uint8_t> image(FirmwareImage::kFlashSize, 0xFF);
    for (std::uint32_t o = 0x4000; o < 0x14000; ++o)
        image[o] = static_cast<std::uint8_t>(o * 7 + (o >> 8));
    std::ofstream(dir / "fw.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    const CliResult update = RunOnSim({"update", dir / "fw.bin", "--baud", "57600"});
    ASSERT_EQ(update.status, 0) << update.err;
    EXPECT_THAT(update.out, HasSubstr("CHECKSUM OK\nCHANGE BAUDRATE TO 9600\nSERIAL PORT CLOSED\n"));
    EXPECT_EQ(update.err, "");

    const CliResult backup = RunOnSim({"backup", dir / "read", "--baud", "57600"});
    ASSERT_EQ(backup.status, 0) << backup.err;
    const auto read = ReadFile(dir / "read.bin");
    ASSERT_EQ(read.size(), FirmwareImage::kImageSize);
    std::vector<std::uint8_t> expected(FirmwareImage::kImageSize, 0xFF);
    std::copy(image.begin() + 0x4000, image.end(), expected.begin() + 0x4000);
    EXPECT_TRUE(read == expected);
}

TEST_F(CliCommands, ParameterBackupUpdateAndErase) {
    const std::string printout = "A01=12\r\nB02=Lift 3\r\n";
    StartSim({"--printout", WriteText("printout", printout), "--record", dir / "record"});
    const CliResult backup = RunOnSim({"param-backup", dir / "params"});
    ASSERT_EQ(backup.status, 0) << backup.err;
    EXPECT_THAT(backup.out, HasSubstr("NUMBER OF PARAMETERS 2\n"));
    const auto saved = ReadFile(dir / "params.txt");
    EXPECT_EQ(std::string(saved.begin(), saved.end()), printout);

    const CliResult update = RunOnSim({"param-update", dir / "params.txt", "--baud", "57600"});
    ASSERT_EQ(update.status, 0) << update.err;
    EXPECT_THAT(update.out, HasSubstr("PARAMETER --> B02=Lift 3 \n"));

    const CliResult erase = RunOnSim({"param-erase"});
    ASSERT_EQ(erase.status, 0) << erase.err;
    EXPECT_THAT(erase.out, HasSubstr("PARAMETER BLOCKS ERASED\nSERIAL PORT CLOSED\n"));

    sim->Stop();
    const auto record = ReadFile(dir / "record");
    EXPECT_THAT(std::string(record.begin(), record.end()), HasSubstr("\xFF\x23"
                                                                     "B02=Lift 3\r\n"));
}

// The simulator cannot be told to report wrong checksums; a model served in this process can.
TEST_F(CliCommands, ChecksumErrorAfterAnUpdateIsExitTen) {
    sim::ControllerModel model;
    model.faults.replyOverride =
        [](const std::vector<std::uint8_t>& command) -> std::optional<std::vector<std::uint8_t>> {
        if (command != std::vector<std::uint8_t>{0xF7})
            return std::nullopt;
        std::vector<std::uint8_t> report(29, 0x00);
        report[0] = 0x07;
        return report;
    };
    sim::PtyServer server(model, {});
    volatile std::sig_atomic_t stop = 0;
    std::thread serving([&] { server.Run(stop); });
    const CliResult r =
        Run({"update", WriteHex("fw.hex", 0x110000, 64, 0x5A), "--port", server.TerminalPath()});
    stop = 1;
    serving.join();
    EXPECT_EQ(r.status, 10) << r.err;
    EXPECT_THAT(r.out, HasSubstr("CHECKSUM ERROR\nCHANGE BAUDRATE TO 9600\nSERIAL PORT CLOSED\n"));
    EXPECT_THAT(r.err, HasSubstr("CHECKSUM ERROR: the controller's flash does not match"));
}

TEST_F(CliCommands, TheReportNamesTheBackupAndInfoTheSizeOfTheFileItRead) {
    StartSim();
    const CliResult backup = RunOnSim({"param-backup", dir / "params", "--json"});
    ASSERT_EQ(backup.status, 0) << backup.err;
    EXPECT_EQ(nlohmann::json::parse(backup.out)["output"], dir / "params.txt");

    const std::string hex = WriteHex("fw.hex", 0x110000, 64, 0x5A);
    const CliResult info = Run({"info", hex});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_THAT(info.out,
                HasSubstr("type: S-record, " + std::to_string(std::filesystem::file_size(hex)) + " bytes\n"));
}

// The command line writes only a whole printout: one without its end mark leaves the old file as it
// was and makes no new one.
TEST_F(CliCommands, ParameterBackupWithoutTheEndMarkWritesNoFile) {
    sim::ControllerModel model;
    model.faults.replyOverride =
        [](const std::vector<std::uint8_t>& command) -> std::optional<std::vector<std::uint8_t>> {
        if (command != std::vector<std::uint8_t>{0xFF, 0x24})
            return std::nullopt;
        return std::vector<std::uint8_t>{0xFF, 0x23, 'A', '=', '1', '\r', '\n'};
    };
    sim::PtyServer server(model, {});
    volatile std::sig_atomic_t stop = 0;
    std::thread serving([&] { server.Run(stop); });
    WriteText("old.txt", "old backup");
    const CliResult existing =
        Run({"param-backup", dir / "old.txt", "--force", "--port", server.TerminalPath()});
    const CliResult fresh = Run({"param-backup", dir / "new", "--port", server.TerminalPath()});
    stop = 1;
    serving.join();
    EXPECT_EQ(existing.status, 1) << existing.err;
    EXPECT_EQ(fresh.status, 1) << fresh.err;
    const auto old = ReadFile(dir / "old.txt");
    EXPECT_EQ(std::string(old.begin(), old.end()), "old backup");
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"old.txt"});
}

struct StatusCase {
    const char* name;
    std::vector<std::string> simArgs; // empty: no simulator
    std::vector<std::string> args;    // "@" is replaced by the folder, "@sim" by the terminal
    int status;
    const char* errText;
};

const StatusCase kStatusCases[] = {
    {"SilentController",
     {"--silent"},
     {"update", "@/fw.hex", "--port", "@sim"},
     1,
     "No answer from Brenvaldor"},
    {"FrameRefusedSixTimes",
     {"--refuse-frame", "1", "--refuse-code", "05", "--refuse-times", "6"},
     {"update", "@/fw.hex", "--port", "@sim"},
     5,
     "Progam - Block not empty  "},
    {"VerifyAgainstOtherFlash",
     {""},
     {"verify", "@/fw.hex", "--port", "@sim"},
     10,
     "differs from the file in sector(s) 4"},
    {"MissingPort", {}, {"reset", "--port", "@/no-such-tty"}, 9, "serial port busy, missing or failed"},
    {"MissingFileArgument", {}, {"update"}, 64, "FILE is required"},
    {"UnknownRate", {}, {"reset", "--baud", "1234"}, 64, "1234"},
    {"UnknownPort", {}, {"reset", "--port", "COM29"}, 64, "invalid port 'COM29'"},
    {"PortAndAuto", {}, {"reset", "--port", "COM1", "--auto"}, 64, "exclude each other"},
    {"NoSubcommand", {}, {}, 64, "subcommand"},
    {"MissingInput", {}, {"info", "@/none.hex"}, 66, "No such file or directory"},
    {"FolderAsInput", {}, {"info", "@/folder.hex"}, 66, "Is a directory"},
    {"MissingParameterFile", {}, {"param-update", "@/none"}, 66, "none: No such file or directory"},
    // Read as named: the open dialog's ".txt" is not added.
    {"ParameterFileReadAsNamed", {}, {"param-update", "@/fw.hex", "--port", "@/no-such-tty"}, 9, "busy"},
    // A device, a pipe or a folder as the output: refused before the port, no file beside it.
    {"DeviceAsBackupOutput",
     {},
     {"backup", "/dev/null", "--port", "@/no-such-tty"},
     73,
     "Cannot write the file \"/dev/null\":\nbrenvaldor: error: Not a regular file"},
    {"PipeAsConvertOutput", {}, {"convert", "@/fw.hex", "@/pipe.hex"}, 73, "pipe.hex\":"},
    {"FolderAsParameterOutput",
     {},
     {"param-backup", "@/folder.hex", "--port", "@/no-such-tty"},
     73,
     "folder.hex\":\nbrenvaldor: error: Is a directory"},
    {"NotAFirmwareName", {}, {"info", "@/fw.txt"}, 65, "must end in .hex"},
    {"OverlappingRecords", {}, {"info", "@/overlap.hex"}, 65, "overlap.hex, line 3: a data byte falls"},
    // Refused before the port: a missing port would give 9.
    {"UpdateWithoutFirmwareData",
     {},
     {"update", "@/s0.hex", "--port", "@/no-such-tty"},
     65,
     "holds no firmware data for the controller"},
    {"DryRunWithoutFirmwareData", {}, {"update", "@/s0.hex", "--dry-run"}, 65, "holds no firmware data"},
    {"VerifyWithoutFirmwareData",
     {},
     {"verify", "@/s0.hex", "--port", "@/no-such-tty"},
     65,
     "no firmware data"},
    {"ExistingOutput",
     {},
     {"backup", "@/fw.hex", "--port", "@/no-such-tty"},
     73,
     "fw.hex.bin exists; add --force"},
    {"ExistingConvertOutput", {}, {"convert", "@/fw.hex", "@/fw"}, 73, "fw.bin exists"},
    {"OutputFolderMissing", {}, {"convert", "@/fw.hex", "@/none/fw.bin"}, 73, "none/fw.bin"},
    // Said before the port: a missing port would give 9.
    {"ParameterOutputFolderMissing",
     {},
     {"param-backup", "@/none/params", "--port", "@/no-such-tty"},
     73,
     "none/params.txt"},
    {"PipeAsInput",
     {},
     {"info", "@/pipe.hex"},
     66,
     "pipe.hex: Not a regular file (a device, a pipe or a socket)"},
};

class CliExitStatus : public CliFixture, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(CliExitStatus, OneStatusPerCause) {
    const StatusCase& c = GetParam();
    if (!c.simArgs.empty())
        StartSim(c.simArgs[0].empty() ? std::vector<std::string>{} : c.simArgs);
    WriteHex("fw.hex", 0x110000, 64, 0x5A);
    WriteHex("fw.hex.bin", 0x110000, 32, 0x5A);
    WriteText("fw.bin", "");
    WriteText("fw.txt", "");
    WriteText("s0.hex", "S0030000FC\n");
    WriteText("overlap.hex",
              "S0030000FC\n" + S3(0x110000, Bytes(4, 1)) + "\n" + S3(0x110002, Bytes(4, 2)) + "\n");
    std::filesystem::create_directory(dir.path() / "folder.hex");
    ASSERT_EQ(mkfifo((dir / "pipe.hex").c_str(), 0666), 0);
    std::vector<std::string> args;
    for (std::string a : c.args) {
        if (a == "@sim")
            a = sim->Path();
        else if (a.rfind("@/", 0) == 0)
            a = dir / a.substr(2);
        args.push_back(a);
    }
    const CliResult r = Run(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.errText));
}

INSTANTIATE_TEST_SUITE_P(Cases, CliExitStatus, ::testing::ValuesIn(kStatusCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Any failure after the first erase leaves a controller without a whole program, and says so as
// an interrupt does; a failure before it does not.
TEST_F(CliCommands, AFailedUpdateAfterTheFirstEraseSaysTheFlashIsIncomplete) {
    const std::string incomplete = "the controller's flash is incomplete; run the update again";
    const std::string firmware = WriteHex("fw.hex", 0x110000, 256, 0x5A);
    struct Case {
        std::vector<std::string> simArgs;
        int status;
        bool erased;
    };
    const Case cases[] = {
        {{"--refuse-frame", "1", "--refuse-code", "05", "--refuse-times", "6"}, 5, true},
        {{"--drop-after", "2"}, 9, true},
        {{"--silent-on", "F2"}, 1, true},
        {{"--silent-on", "FB"}, 8, false},
    };
    for (const Case& c : cases) {
        StartSim(c.simArgs);
        const CliResult r = RunOnSim({"update", firmware, "--json"});
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.err.find(incomplete) != std::string::npos, c.erased) << r.err;
        const auto report = nlohmann::json::parse(r.out);
        EXPECT_EQ(report["message"].get<std::string>().find(incomplete) != std::string::npos, c.erased)
            << report["message"];
        sim.reset();
    }
}

TEST_F(CliCommands, UpdateOfAMissingFileStopsAtTheFileBeforeAnyPortSearch) {
    const CliResult r = Run({"update", dir / "none.hex", "--auto"});
    EXPECT_EQ(r.status, 66);
    EXPECT_EQ(r.err, "brenvaldor: error: cannot read " + dir / "none.hex" + ": No such file or directory\n");
    EXPECT_EQ(r.out, "");
}

// info tells what update would: a file with nothing to write is refused; a binary image longer
// than the image is loaded without its tail, which is named.
TEST_F(CliCommands, InfoSaysWhatTheUpdateWouldMakeOfTheFile) {
    const CliResult empty = Run({"info", WriteText("empty.hex", "")});
    EXPECT_EQ(empty.status, 65);
    EXPECT_THAT(empty.err, HasSubstr("holds no firmware data for the controller"));

    WriteText("long.bin", std::string(FirmwareImage::kImageSize + 100, '\x11'));
    const CliResult longer = Run({"info", dir / "long.bin"});
    EXPECT_EQ(longer.status, 0) << longer.err;
    EXPECT_EQ(longer.err, "brenvaldor: " + dir / "long.bin" +
                              " holds 1048708 bytes, more than the image takes: its last 100 bytes, from "
                              "offset 0x100020 on, are left out\n");
}

TEST_F(CliCommands, ConversionErrorNamesTheBoxTheReasonAndTheLine) {
    WriteText("bad.hex", S3(0x1FFFF0, Bytes(32, 1)) + "\n");
    const CliResult r = Run({"info", dir / "bad.hex"});
    EXPECT_EQ(r.status, 65);
    EXPECT_EQ(r.err, "brenvaldor: error: Error: 4\nbrenvaldor: error: " + dir / "bad.hex" +
                         ", line 1: the record starts inside the flash and ends past its end (0x1FFFFF)\n");
}

TEST_F(CliCommands, InfoOnASrecCatFileReportsWhatTheFileImplies) {
    const std::string hex = dir / "gen.hex";
    ASSERT_EQ(std::system(("srec_cat -generate 0x110000 0x120000 -constant 0x55 -generate 0x1F0000 0x1F0010 "
                           "-constant 0xAA -o " +
                           hex + " -motorola -address-length=4")
                              .c_str()),
              0);
    const CliResult r = Run({"info", hex});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    const std::vector<std::string> expected{"HEX FILE: GEN.HEX", "HEX FILE CONVERTED OK",
                                            "NUMBER OF BLOCKS TO ERASE: 2",
                                            "NUMBER OF BLOCKS TO WRITE: 2049"};
    ASSERT_GE(lines.size(), 10u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4), expected);
    EXPECT_EQ(lines[5], "non-blank ranges: 2");
    EXPECT_EQ(lines[6], "  0x110000-0x11FFFF (65536 bytes)");
    EXPECT_EQ(lines[7], "  0x1F0000-0x1F000F (16 bytes)");
    EXPECT_EQ(lines[8], "sectors to erase: 4 18");
    EXPECT_THAT(r.out, HasSubstr("write frames: 2049\n"));
}

TEST_F(CliCommands, DryRunPrintsTheEraseFramesAndTouchesNoPort) {
    const CliResult r =
        RunCli({"update", WriteHex("fw.hex", 0x104000, 32, 1), "--dry-run"},
               {"XDG_CONFIG_HOME=" + dir / "config", "BRENVALDOR_PORT=" + dir / "no-such-tty"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("erase frame: F2 01 (sector 1, 0x104000-0x105FFF)\n"));
    EXPECT_THAT(r.out, Not(HasSubstr("OPEN SERIAL PORT")));
    EXPECT_THAT(r.out, HasSubstr("port: COM1 (" + dir / "no-such-tty" + ") at 38400 bit/s\n"));
}

// The plan names the port and rate the update would use, after the same checks.
TEST_F(CliCommands, DryRunChecksAndReportsThePortOptions) {
    const std::string firmware = WriteHex("fw.hex", 0x104000, 32, 1);
    const CliResult bad = Run({"update", firmware, "--dry-run", "--port", "garbage", "--json"});
    EXPECT_EQ(bad.status, 64);
    EXPECT_THAT(bad.err, HasSubstr("invalid port 'garbage' in --port"));
    const CliResult good =
        Run({"update", firmware, "--dry-run", "--port", "COM7", "--baud", "57600", "--json"});
    ASSERT_EQ(good.status, 0) << good.err;
    const auto j = nlohmann::json::parse(good.out);
    EXPECT_EQ(j["port"], "COM7");
    EXPECT_EQ(j["device"], "/dev/ttyUSB2");
    EXPECT_EQ(j["baud"], 57600);
    EXPECT_EQ(j["log"].back(), "port: COM7 (/dev/ttyUSB2) at 57600 bit/s");
}

TEST_F(CliCommands, ConvertWritesTheImageAndReplacesOnlyWithForce) {
    const std::string hex = WriteHex("fw.hex", 0x100000, 4, 0x11);
    ASSERT_EQ(Run({"convert", hex, dir / "out"}).status, 0);
    auto bytes = ReadFile(dir / "out.bin");
    ASSERT_EQ(bytes.size(), FirmwareImage::kImageSize);
    EXPECT_EQ(bytes[3], 0x11);
    EXPECT_EQ(bytes[4], 0xFF);
    EXPECT_EQ(Run({"convert", WriteHex("fw2.hex", 0x100000, 4, 0x22), dir / "out.bin"}).status, 73);
    EXPECT_EQ(ReadFile(dir / "out.bin")[0], 0x11);
    EXPECT_EQ(Run({"convert", dir / "fw2.hex", dir / "out.bin", "--force"}).status, 0);
    EXPECT_EQ(ReadFile(dir / "out.bin")[0], 0x22);
}

// The check at the start found the name free; a file that takes it during the run is not replaced
// without --force, and the backup stays in the temporary file the message names.
TEST_F(CliCommands, BackupKeepsAFileThatAppearedDuringTheRun) {
    StartSim();
    CliProcess process({"backup", dir / "race.bin", "--port", sim->Path()}, Env());
    ASSERT_TRUE(process.WaitForOutput("BACKUP PROGRAM"));
    WriteText("race.bin", "theirs");
    const CliResult r = process.Wait();
    EXPECT_EQ(r.status, 73) << r.err;
    EXPECT_THAT(r.err, HasSubstr("Cannot write the file \"" + dir / "race.bin" + "\":\n"));
    EXPECT_THAT(r.err, HasSubstr("brenvaldor: error: The data is kept in \"" + dir / ".race.bin."));
    const auto theirs = ReadFile(dir / "race.bin");
    EXPECT_EQ(std::string(theirs.begin(), theirs.end()), "theirs");
    std::vector<std::string> names = dir.Names();
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(dir / names[0]), FirmwareImage::kImageSize) << names[0];
}

// A port that is given but empty or wrong ends the command before any port is touched, naming
// where it came from; it never becomes a search that would flash whichever controller answers.
TEST_F(CliCommands, AGivenPortThatIsEmptyOrWrongIsAUsageErrorAndNoSearch) {
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> env;
        const char* settings;
        const char* error;
    };
    const Case cases[] = {
        {{"reset", "--port", ""}, {}, "", "brenvaldor: error: --port is empty: "},
        {{"update", "@fw", "--port="}, {}, "", "brenvaldor: error: --port"},
        {{"reset"}, {"BRENVALDOR_PORT="}, "", "brenvaldor: error: BRENVALDOR_PORT is empty: "},
        {{"reset"}, {"BRENVALDOR_PORT=COM29"}, "", "invalid port 'COM29' in BRENVALDOR_PORT"},
        {{"reset"}, {}, "[Setup]\nSerialPort=99\nSerialPortAuto=0\n", "invalid port 'SerialPort=99' in "},
        {{"backup", "@out"}, {}, "[Setup]\nSerialPort=\n", "invalid port 'SerialPort=' in "},
    };
    const std::string firmware = WriteHex("fw.hex", 0x110000, 64, 0x5A);
    for (const Case& c : cases) {
        WriteSettings(c.settings);
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(a == "@fw" ? firmware : a == "@out" ? dir / "out.bin" : a);
        std::vector<std::string> env = Env();
        env.insert(env.end(), c.env.begin(), c.env.end());
        const CliResult r = RunCli(args, env);
        EXPECT_EQ(r.status, 64) << c.error;
        EXPECT_THAT(r.err, HasSubstr(c.error));
        EXPECT_EQ(r.out, "") << "no search, no port opened";
    }
    EXPECT_FALSE(Exists(dir / "out.bin"));
}

// Without any port option the settings decide; where they ask for a search, the port it chose is
// named before the command uses it.
TEST_F(CliCommands, TheSearchNamesThePortItChose) {
    StartSim();
    WriteSettings("[Setup]\nSerialPort=0\n[Ports]\nCOM2=" + sim->Path() + "\nCOM1=" + dir / "none" + "\n");
    const CliResult r = Run({"reset", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "brenvaldor: the port search chose COM2 (" + sim->Path() + ")\n");
    EXPECT_EQ(r.out, "");
}

// The box text stays as documented; the lines below it name the device, the system's reason and,
// for a busy port, who holds it.
TEST_F(CliCommands, APortThatWillNotOpenIsNamedWithItsReason) {
    const CliResult missing = Run({"update", WriteHex("fw.hex", 0x110000, 64, 0x5A), "--port", dir / "none"});
    EXPECT_EQ(missing.status, 9);
    EXPECT_THAT(missing.err, HasSubstr("brenvaldor: error: Serial port busy or not found  \n"
                                       "brenvaldor: error: " +
                                       dir / "none" + ": No such file or directory\n"));

    StartSim();
    HolderProcess holder(sim->Path());
    const CliResult busy = RunOnSim({"reset"});
    EXPECT_EQ(busy.status, 9);
    EXPECT_THAT(busy.err, HasSubstr("brenvaldor: error: serial port busy, missing or failed\n"));
    EXPECT_THAT(busy.err, HasSubstr("brenvaldor: error: " + sim->Path() + ": Device or resource busy\n"));
    EXPECT_THAT(busy.err, HasSubstr(sim->Path() + " is held by sleep (PID "));
}

TEST_F(CliCommands, PortFromTheEnvironmentAndJsonReport) {
    StartSim();
    const CliResult r =
        RunCli({"reset", "--json"}, {"XDG_CONFIG_HOME=" + dir / "config", "BRENVALDOR_PORT=" + sim->Path()});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["command"], "reset");
    EXPECT_EQ(j["port"], sim->Path());
    EXPECT_EQ(j["device"], sim->Path());
    EXPECT_EQ(j["baud"], 38400);
    EXPECT_EQ(j["result"], 0);
    EXPECT_EQ(j["message"], "");
    EXPECT_EQ(j["log"],
              nlohmann::json({"OPEN SERIAL PORT COM1:38400", "BRENVALDOR RESTARTED", "SERIAL PORT CLOSED"}));
    EXPECT_TRUE(j["output"].is_null());
    EXPECT_GE(j["elapsed_s"].get<double>(), 0.0);
}

TEST_F(CliCommands, DetectFindsTheMappedSimulatorOrExitsWithOne) {
    StartSim();
    WriteSettings("[Ports]\nCOM1=" + sim->Path() + "\n");
    const CliResult found = Run({"detect"});
    ASSERT_EQ(found.status, 0) << found.err;
    EXPECT_EQ(Lines(found.out).back(), "COM1 " + sim->Path());
    std::string allMissing = "[Ports]\n";
    for (int port = 1; port <= 28; ++port)
        allMissing += "COM" + std::to_string(port) + "=" + dir / "none" + "\n";
    WriteSettings(allMissing);
    const CliResult none = Run({"detect", "--param"});
    EXPECT_EQ(none.status, 1);
    EXPECT_THAT(none.out, HasSubstr("COM28: NOT INSTALLED\n"));
    EXPECT_THAT(none.err, HasSubstr("no controller answered"));
}

TEST_F(CliCommands, PortsListsTheMappedDevice) {
    StartSim();
    WriteSettings("[Ports]\nCOM2=" + sim->Path() + "\n");
    const CliResult r = Run({"ports"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("COM2\t" + sim->Path() + "\tpresent\taccess: yes"));
    EXPECT_EQ(Lines(r.out).front().rfind("COM1\t", 0), 0u);
}

TEST_F(CliCommands, WaitHoldsUntilTheDeviceAppears) {
    StartSim();
    const std::string link = dir / "later";
    CliProcess process({"reset", "--port", link, "--wait", "20"}, Env());
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_EQ(symlink(sim->Path().c_str(), link.c_str()), 0);
    const CliResult r = process.Wait();
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("BRENVALDOR RESTARTED"));
    const CliResult late = Run({"reset", "--port", dir / "never", "--wait", "0.2"});
    EXPECT_EQ(late.status, 1);
    EXPECT_THAT(late.err, HasSubstr("did not appear"));
}

// Ctrl-C, SIGTERM or SIGHUP in the middle: exit 130 soon after, the port closed, no output file,
// not even a temporary one, and a controller that was switched to the fast rate sent back to 9600
// bit/s, so that the next command reaches it.
struct InterruptCase {
    const char* name;
    std::vector<std::string> simArgs;
    std::vector<std::string> args;
    const char* startedLine;
    int signal;
    const char* errText;
};

const InterruptCase kInterruptCases[] = {
    {"Update",
     {"--delay", "20"},
     {"update", "@/fw.hex", "--baud", "57600"},
     "UPDATE PROGRAM",
     SIGINT,
     "the controller was sent back to 9600 bit/s"},
    {"UpdateByHangup",
     {"--delay", "20"},
     {"update", "@/fw.hex", "--baud", "19200"},
     "UPDATE PROGRAM",
     SIGHUP,
     "run the update again"},
    {"Backup", {}, {"backup", "@/out", "--baud", "57600"}, "BACKUP PROGRAM", SIGHUP, "interrupted"},
    {"ParameterBackup", {"--silent"}, {"param-backup", "@/out"}, "OPEN SERIAL PORT", SIGTERM, "interrupted"},
};

class CliInterrupt : public CliFixture, public ::testing::WithParamInterface<InterruptCase> {};

TEST_P(CliInterrupt, StopsAtTheNextWaitAndLeavesTheControllerReachable) {
    const InterruptCase& c = GetParam();
    StartSim(c.simArgs);
    WriteHex("fw.hex", 0x110000, 0x10000, 0x5A);
    std::vector<std::string> args;
    for (const std::string& a : c.args)
        args.push_back(a.rfind("@/", 0) == 0 ? dir / a.substr(2) : a);
    args.insert(args.end(), {"--port", sim->Path()});
    CliProcess process(args, Env());
    ASSERT_TRUE(process.WaitForOutput(c.startedLine));
    process.Signal(c.signal);
    const auto signalled = std::chrono::steady_clock::now();
    const CliResult r = process.Wait();
    // Far less than the command would run on (the update alone takes some 40 s at this delay).
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::seconds(15));
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.errText));
    EXPECT_THAT(r.err, HasSubstr("the serial port is closed"));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"fw.hex"});

    if (c.simArgs != std::vector<std::string>{"--silent"}) {
        const CliResult next = RunOnSim({"param-erase", "--baud", "9600"});
        EXPECT_EQ(next.status, 0) << r.err << next.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CliInterrupt, ::testing::ValuesIn(kInterruptCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bf::test
