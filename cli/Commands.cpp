#include "cli/Commands.h"

#include "cli/CommandContext.h"
#include "cli/ImageSummary.h"
#include "cli/Interrupt.h"
#include "cli/JsonReport.h"
#include "core/ComName.h"
#include "core/FileUtil.h"
#include "core/Format.h"
#include "core/SetupSettings.h"
#include "firmware/FirmwareCommands.h"
#include "firmware/FlashUpdate.h"
#include "firmware/ProgramBackup.h"
#include "link/PortSearch.h"
#include "params/ParameterBackup.h"
#include "params/ParameterErase.h"
#include "params/ParameterUpdate.h"
#include "serial/PortInventory.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>

namespace bf::cli {

namespace {

constexpr char kMatches[] = "matches";
constexpr char kDiffers[] = "DIFFERS";
constexpr char kNoControllerFound[] = "no controller answered on COM1 to COM28";
constexpr char kChecksumError[] = "CHECKSUM ERROR: the controller's flash does not match ";
constexpr char kUpdateAgain[] = "; run the update again";
constexpr char kSectorsDiffer[] = "the controller's flash differs from the file in sector(s)";
constexpr char kNotChecked[] = "not checked (the controller reports sectors 4 to 17 only): sector(s)";
constexpr char kNothingToCompare[] = "the file touches none of sectors 4 to 17: nothing to compare";
constexpr char kInterrupted[] = "interrupted; the serial port is closed";
constexpr char kReturned[] = "the controller was sent back to 9600 bit/s, as a finished command does";
constexpr char kRateUnknown[] =
    "the controller may still be at %d bit/s, where no command at 9600 reaches it: switch it off and "
    "on, and put it in 'Connect PC' mode again, before the next command";
constexpr char kFlashIncomplete[] =
    "the update did not finish: the controller's flash is incomplete; run the update again before "
    "using the controller";
constexpr char kInternalError[] = "internal error: ";
constexpr char kPlannedPort[] = "port: ";
constexpr char kCannotWriteOutput[] = "cannot write standard output: ";
constexpr char kDumbTerminal[] = "dumb";

// A terminal that knows no escape sequences.
bool PlainTerminal() {
    const char* term = std::getenv("TERM");
    return term != nullptr && std::string_view(term) == kDumbTerminal;
}

int Ports(CommandContext& c) {
    for (const PortEntry& e : TakePortInventory(PortMapFromSettings(IniFile::Load(settings::ReadPath())))) {
        std::string line = ComName(e.port) + "\t" + e.path;
        if (!e.exists) {
            c.host.Print(line + "\tabsent");
            continue;
        }
        if (e.device != e.path)
            line += " -> " + e.device;
        line += e.accessible ? "\tpresent\taccess: yes" : "\tpresent\taccess: no (group " + e.group + ")";
        if (!e.usbDescription.empty())
            line += "\t" + e.usbDescription;
        c.host.Print(line);
        for (const std::string& name : e.byIdNames)
            c.host.Print("\tby-id: " + name);
        if (!e.accessible && !e.fix.empty())
            c.host.Print("\tfix: " + e.fix);
    }
    return exit_status::Ok;
}

int Detect(CommandContext& c) {
    if (const int status = c.ChoosePort(CommandContext::PortUse::Search); status != exit_status::Ok)
        return status;
    Session s = c.MakeSession();
    if (c.inv.paramSearch)
        AutodetectPortParam(s);
    else
        AutodetectPort(s);
    const int found = c.choice.settings.m_nPort;
    if (found == 0) {
        c.host.Error(kNoControllerFound);
        return exit_status::NoAnswer;
    }
    c.host.Print(ComName(found) + " " + DevicePathOf(c.choice, found));
    return exit_status::Ok;
}

void PrintLines(ConsoleHost& host, const std::vector<std::string>& lines) {
    for (const std::string& line : lines)
        host.Print(line);
}

int Info(CommandContext& c) {
    LoadedImage loaded;
    if (const int status = LoadFirmware(c, c.inv.files[0], loaded); status != exit_status::Ok)
        return status;
    PrintLines(c.host, ImageSummary(*loaded.image, loaded.state, loaded.type, loaded.fileSize));
    // A file the update would refuse is no firmware to write, whatever converted.
    if (const char* refusal = UpdateRefusal(loaded.state)) {
        c.host.Error(refusal);
        return exit_status::BadInput;
    }
    return exit_status::Ok;
}

int Convert(CommandContext& c) {
    std::string path;
    if (const int status = PrepareOutput(c, c.inv.files[1], kBinExtension, path); status != exit_status::Ok)
        return status;
    LoadedImage loaded;
    if (const int status = LoadFirmware(c, c.inv.files[0], loaded); status != exit_status::Ok)
        return status;
    c.host.AnswerDialogsWith(path);
    const int status = c.Finish(SaveFirmwareAs(c.host, *loaded.image), FileRole::Output);
    if (status == exit_status::Ok)
        c.output = path;
    return status;
}

int ConnectSteps(CommandContext& c) {
    if (const int status = c.ChoosePort(); status != exit_status::Ok)
        return status;
    return c.WaitForPort();
}

// An image with nothing to write is refused before any port is chosen, searched or opened.
int LoadFirmwareToSend(CommandContext& c, LoadedImage& loaded) {
    if (const int status = LoadFirmware(c, c.inv.files[0], loaded); status != exit_status::Ok)
        return status;
    if (const char* refusal = UpdateRefusal(loaded.state)) {
        c.host.Error(refusal);
        return exit_status::BadInput;
    }
    return exit_status::Ok;
}

// An update that ends after its first erase, in whatever way, leaves a controller that cannot run.
void SayIfFlashIncomplete(CommandContext& c) {
    if (c.flashing && c.watched.EraseSent())
        c.host.Error(kFlashIncomplete);
}

int Update(CommandContext& c) {
    LoadedImage loaded;
    if (const int status = LoadFirmwareToSend(c, loaded); status != exit_status::Ok)
        return status;
    if (c.inv.dryRun) { // the port options are checked as for the update, and nothing is opened
        if (const int status = c.ChoosePort(); status != exit_status::Ok)
            return status;
        PrintLines(c.host, ImageSummary(*loaded.image, loaded.state, loaded.type, loaded.fileSize));
        PrintLines(c.host, EraseFrameLines(*loaded.image));
        c.host.PrintDetail(kPlannedPort + PortDescription(c.choice));
        return exit_status::Ok;
    }
    if (const int status = ConnectSteps(c); status != exit_status::Ok)
        return status;
    c.host.CountFramesAfter(kLogWritePhase, loaded.state.m_nBlocksToWrite);
    Session s = c.MakeSession();
    c.flashing = true;
    const CommandResult r = UpdateProgram(s, *loaded.image, loaded.state);
    if (r.end == CommandResult::End::ChecksumMismatch)
        c.host.Error(kChecksumError + c.inv.files[0] + kUpdateAgain);
    const int status = c.Finish(r, FileRole::Input);
    if (status != exit_status::Ok && status != exit_status::Mismatch && status != exit_status::Interrupted)
        SayIfFlashIncomplete(c); // an interrupt says it in Stopped
    return status;
}

std::string SectorLine(const FirmwareImage& image, int sector) {
    return "sector " + std::to_string(sector) + " " + SectorSpanText(sector) + ": " +
           (image.SectorChecksumMatches(sector) ? kMatches : kDiffers);
}

// Lists the sectors the file touches: each checked one with its comparison, then the others.
void ReportSectors(CommandContext& c, const FirmwareImage& image) {
    std::string differing;
    std::string unchecked;
    bool checked = false;
    for (int sector = 0; sector < FirmwareImage::kSectorCount; ++sector) {
        if (!image.IsSectorMarked(sector))
            continue;
        if (sector < FirmwareImage::kFirstVerifiedSector || sector > FirmwareImage::kLastVerifiedSector) {
            unchecked += " " + std::to_string(sector);
            continue;
        }
        checked = true;
        c.host.PrintDetail(SectorLine(image, sector));
        if (!image.SectorChecksumMatches(sector))
            differing += " " + std::to_string(sector);
    }
    if (!unchecked.empty())
        c.host.PrintDetail(kNotChecked + unchecked);
    if (!checked)
        c.host.Note(kNothingToCompare);
    if (!differing.empty())
        c.host.Error(kSectorsDiffer + differing);
}

int Verify(CommandContext& c) {
    LoadedImage loaded;
    if (const int status = LoadFirmwareToSend(c, loaded); status != exit_status::Ok)
        return status;
    if (const int status = ConnectSteps(c); status != exit_status::Ok)
        return status;
    Session s = c.MakeSession();
    const CommandResult r = VerifyProgram(s, *loaded.image, loaded.state);
    if (r.end == CommandResult::End::Done || r.end == CommandResult::End::ChecksumMismatch)
        ReportSectors(c, *loaded.image);
    return c.Finish(r, FileRole::Input);
}

int Backup(CommandContext& c) {
    if (const int status = c.ChoosePort(); status != exit_status::Ok)
        return status;
    std::string path;
    if (const int status = PrepareOutput(c, c.inv.files[0], kBinExtension, path); status != exit_status::Ok)
        return status;
    if (const int status = c.WaitForPort(); status != exit_status::Ok)
        return status;
    c.host.AnswerDialogsWith(path);
    Session s = c.MakeSession();
    const int status = c.Finish(BackupProgram(s), FileRole::Output);
    if (status == exit_status::Ok)
        c.output = path;
    return status;
}

// The printout replaces the target only when the whole printout came: a silent controller or
// Ctrl-C leaves no file and no emptied one. A file that cannot be written is said before the port
// is opened.
int ParamBackup(CommandContext& c) {
    if (const int status = c.ChoosePort(); status != exit_status::Ok)
        return status;
    std::string path;
    if (const int status = PrepareOutput(c, c.inv.files[0], kTxtExtension, path); status != exit_status::Ok)
        return status;
    if (AtomicFileWriter probe(path); !probe.Open()) {
        c.host.Error(FileWriteErrorText(path, probe.Error()));
        return exit_status::CannotCreate;
    }
    if (const int status = c.WaitForPort(); status != exit_status::Ok)
        return status;
    c.host.AnswerDialogsWith(path);
    Session s = c.MakeSession();
    const int status = c.Finish(ParameterBackup(s, {.keepPartial = false}), FileRole::Output);
    if (status == exit_status::Ok)
        c.output = path;
    return status;
}

// The file is read as it is named: the open dialog's ".txt" rule is for a name typed without one.
int ParamUpdate(CommandContext& c) {
    const std::string& path = c.inv.files[0];
    if (const int status = CheckInput(c.host, path); status != exit_status::Ok)
        return status;
    if (const int status = ConnectSteps(c); status != exit_status::Ok)
        return status;
    Session s = c.MakeSession();
    return c.Finish(ParameterUpdateOf(s, path), FileRole::Input);
}

int ParamErase(CommandContext& c) {
    if (const int status = ConnectSteps(c); status != exit_status::Ok)
        return status;
    Session s = c.MakeSession();
    return c.Finish(EraseParameterBlocks(s), FileRole::Input);
}

int Reset(CommandContext& c) {
    if (const int status = ConnectSteps(c); status != exit_status::Ok)
        return status;
    Session s = c.MakeSession();
    return c.Finish(ResetController(s), FileRole::Input);
}

using Handler = std::function<int(CommandContext&)>;

const std::map<std::string, Handler>& Handlers() {
    static const std::map<std::string, Handler> handlers{
        {"ports", Ports},
        {"detect", Detect},
        {"info", Info},
        {"convert", Convert},
        {"update", Update},
        {"verify", Verify},
        {"backup", Backup},
        {"param-backup", ParamBackup},
        {"param-update", ParamUpdate},
        {"param-erase", ParamErase},
        {"reset", Reset},
    };
    return handlers;
}

// Ctrl-C, SIGTERM or SIGHUP: the port is closed, the controller sent back to 9600 bit/s where
// that is safe (else the way back is said), and an unfinished update is named as such.
int Stopped(CommandContext& c) {
    const WatchedPort::Recovery recovery = c.watched.CloseAt9600(c.clock);
    c.host.Error(kInterrupted);
    if (recovery == WatchedPort::Recovery::Returned)
        c.host.Note(kReturned);
    else if (recovery == WatchedPort::Recovery::Unknown)
        c.host.Error(Format(kRateUnknown, c.choice.settings.m_nBaudRate));
    SayIfFlashIncomplete(c);
    return exit_status::Interrupted;
}

int Dispatch(CommandContext& c) {
    try {
        const int status = Handlers().at(c.inv.command)(c);
        return status == exit_status::Interrupted ? Stopped(c) : status;
    } catch (const Interrupted&) {
        return Stopped(c);
    } catch (const std::exception& e) {
        c.watched.Close();
        c.host.Error(kInternalError + std::string(e.what()));
        return exit_status::Internal;
    }
}

} // namespace

int RunCommand(const Invocation& inv, std::ostream& out, std::ostream& err, bool errIsTerminal) {
    SteadyClock clock;
    ConsoleHost host(clock, out, err, {inv.json, errIsTerminal && !inv.quiet, inv.quiet, PlainTerminal()});
    CommandContext c(inv, host, clock);
    const auto start = std::chrono::steady_clock::now();
    const int status = Dispatch(c);
    int outputError = host.OutputError();
    if (inv.json) {
        Report report{inv.command,
                      c.usesPort ? PortLabel(c.choice) : "",
                      c.usesPort ? DevicePathOf(c.choice) : "",
                      c.usesPort ? c.choice.settings.m_nBaudRate : 0,
                      status,
                      host.Message(),
                      host.Lines(),
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
                      c.output};
        if (const int error = WriteOutput(out, JsonReport(report)); outputError == 0)
            outputError = error;
    }
    if (outputError == 0 || outputError == EPIPE) // a reader that went away ends nothing
        return status;
    host.Error(kCannotWriteOutput + SystemReason(outputError));
    return status == exit_status::Ok ? exit_status::OutputFailed : status;
}

int WriteOutput(std::ostream& out, std::string_view text) {
    errno = 0;
    out << text << '\n' << std::flush;
    return out ? 0 : (errno != 0 ? errno : EIO);
}

} // namespace bf::cli
