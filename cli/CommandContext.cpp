#include "cli/CommandContext.h"

#include "cli/DeviceWait.h"
#include "core/ComName.h"
#include "core/FileSystem.h"
#include "core/FileUtil.h"
#include "core/Format.h"
#include "core/SetupSettings.h"
#include "firmware/FirmwareCommands.h"
#include "serial/PortInventory.h"
#include "serial/SerialTypes.h"

#include <cerrno>
#include <cstdlib>

namespace bf::cli {

namespace {

constexpr char kSRecordType[] = "S-record";
constexpr char kBinaryType[] = "binary image";
constexpr char kNotFirmwareName[] =
    ": not a firmware file name: it must end in .hex (S-record) or .bin (binary image)";
constexpr char kExists[] = " exists; add --force to replace it";
constexpr char kCannotRead[] = "cannot read ";
constexpr char kWaitNeedsPort[] =
    "--wait needs a port: give --port, set BRENVALDOR_PORT, or choose one in the "
    "settings file";
constexpr char kDidNotAppear[] = " did not appear within the --wait time";
constexpr char kLineWord[] = ", line ";
constexpr char kSearchChose[] = "the port search chose %s (%s)";
constexpr char kUsing[] = "using %s";
constexpr char kBinaryCut[] =
    "%s holds %llu bytes, more than the image takes: its last %llu bytes, from offset "
    "0x%X on, are left out";
constexpr char kDeviceReason[] = "%s: %s";
constexpr char kPermissionFix[] = "the device belongs to group %s: %s";
constexpr char kHeldBy[] = "%s is held by %s (PID %ld)";
constexpr char kMaybeOtherRate[] =
    "an interrupted or failed run may have left the controller at another rate: switch it off and "
    "on, put it in 'Connect PC' mode again (firmware commands), and repeat the command";

// The conversion error numbers in plain words, for the "Error: N" of a file that does not convert.
const char* ConversionReason(int errorNumber) {
    switch (errorNumber) {
    case 1:
        return "a character where a hex digit belongs is not 0-9 or A-F (lower case is not read)";
    case 2:
        return "a data byte falls on an address that an earlier record already filled";
    case 3:
        return "the record starts below the flash (0x100000) and ends inside it";
    case 4:
        return "the record starts inside the flash and ends past its end (0x1FFFFF)";
    case 5:
        return "the record lies wholly outside the flash (0x100000 to 0x1FFFFF)";
    default:
        return "the record's checksum does not match its bytes";
    }
}

} // namespace

int CommandContext::ChoosePort(PortUse use) {
    PortRequest request = inv.port;
    if (use == PortUse::Search)
        request = {std::nullopt, true, inv.port.baud};
    std::string error;
    const auto chosen =
        cli::ChoosePort(request, IniFile::Load(settings::ReadPath()), std::getenv(kPortVariable), error);
    if (!chosen) {
        host.Error(error);
        return exit_status::Usage;
    }
    choice = *chosen;
    usesPort = true;
    port.SetPortMap(choice.map);
    if (use == PortUse::Search)
        return exit_status::Ok; // the port found is the command's result
    if (!choice.settings.m_bAutoPort && host.OnTerminal())
        host.Note(Format(kUsing, PortDescription(choice).c_str()));
    // Said before the command sends anything to the port it found.
    host.OnPortFound([this](int found) {
        host.Note(Format(kSearchChose, ComName(found).c_str(), DevicePathOf(choice, found).c_str()));
    });
    return exit_status::Ok;
}

int CommandContext::WaitForPort() {
    if (inv.waitSeconds < 0)
        return exit_status::Ok;
    if (choice.settings.m_bAutoPort) {
        host.Error(kWaitNeedsPort);
        return exit_status::Usage;
    }
    const std::string device = DevicePathOf(choice);
    if (WaitForDevice(clock, device, inv.waitSeconds))
        return exit_status::Ok;
    host.Error(device + kDidNotAppear);
    return exit_status::NoAnswer;
}

// Why the port would not open, below the box text: the device and the system's own reason, and
// what to do about a permission (as the ports list says it) or who holds a busy port.
void CommandContext::SayWhyThePortFailed() {
    const auto& failure = watched.LastOpenFailure();
    if (!failure)
        return;
    const std::string device = port.DevicePath(failure->port);
    host.Error(Format(kDeviceReason, device.c_str(), failure->reason.c_str()));
    if (failure->systemError == EACCES || failure->code == EACCES) {
        const PortEntry entry = DescribePort(failure->port, device);
        if (!entry.fix.empty())
            host.Error(Format(kPermissionFix, entry.group.c_str(), entry.fix.c_str()));
    } else if (failure->code == kErrorPortBusy) {
        if (const auto holder = port.HolderOf(failure->port))
            host.Error(Format(kHeldBy, device.c_str(), holder->name.c_str(), holder->pid));
    }
}

int CommandContext::Finish(const CommandResult& result, FileRole role) {
    const int status = ExitStatusOf(result, role);
    // Failures the window only logs (or shows as a line, like CHECKSUM ERROR) are named here.
    if (status != exit_status::Ok && status != exit_status::Interrupted && host.Message().empty())
        host.Error(ExitStatusText(status));
    if (status == exit_status::PortFailed)
        SayWhyThePortFailed();
    if (status == exit_status::NoAnswer || status == exit_status::NoRateAnswer)
        host.Error(kMaybeOtherRate);
    return status;
}

int PrepareOutput(CommandContext& c, const std::string& chosen, const char* extension, std::string& path) {
    // The extension is the save dialog's rule for a name typed without one; a device, a pipe or a
    // folder given as the output is no such name, and no file is made beside it.
    if (const FileType type = TypeOf(chosen); type == FileType::Folder || type == FileType::Other) {
        c.host.Error(FileWriteErrorText(chosen, type == FileType::Folder ? EISDIR : kNotRegularFile));
        return exit_status::CannotCreate;
    }
    path = WithExpectedExtension(chosen, extension);
    if (NameInUse(path) && !c.inv.force) {
        c.host.Error(path + kExists);
        return exit_status::CannotCreate;
    }
    c.host.AllowOverwrite(c.inv.force);
    return exit_status::Ok;
}

int CheckInput(ConsoleHost& host, const std::string& path) {
    const InputFile file(path);
    if (file.IsOpen())
        return exit_status::Ok;
    host.Error(kCannotRead + path + ": " + SystemReason(file.Error()));
    return exit_status::NoInput;
}

int LoadFirmware(CommandContext& c, const std::string& path, LoadedImage& loaded) {
    if (!HasExtension(path, kHexExtension) && !HasExtension(path, kBinExtension)) {
        c.host.Error(path + kNotFirmwareName);
        return exit_status::BadInput;
    }
    if (const int status = CheckInput(c.host, path); status != exit_status::Ok)
        return status;
    c.host.AnswerDialogsWith(path);
    const OpenResult r = OpenFirmware(c.host, *loaded.image, loaded.state);
    if (r.conversion.errorNumber != 0) {
        c.host.Error(path + kLineWord + std::to_string(r.conversion.line) + ": " +
                     ConversionReason(r.conversion.errorNumber));
        return exit_status::BadInput;
    }
    if (!r.loaded) {
        // The box named the read failure; a file that would not open was checked above already.
        if (r.openError != 0)
            c.host.Error(kCannotRead + path + ": " + SystemReason(r.openError));
        return exit_status::NoInput;
    }
    loaded.fileSize = r.fileSize;
    loaded.type = HasExtension(path, kHexExtension) ? kSRecordType : kBinaryType;
    if (loaded.type == kBinaryType && r.fileSize > FirmwareImage::kImageSize)
        c.host.Note(Format(kBinaryCut, path.c_str(), static_cast<unsigned long long>(r.fileSize),
                           static_cast<unsigned long long>(r.fileSize - FirmwareImage::kImageSize),
                           static_cast<unsigned>(FirmwareImage::kImageSize)));
    return exit_status::Ok;
}

} // namespace bf::cli
