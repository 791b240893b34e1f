#pragma once

#include "cli/ConsoleHost.h"
#include "cli/ExitStatus.h"
#include "cli/Invocation.h"
#include "cli/WatchedPort.h"
#include "firmware/FirmwareImage.h"
#include "link/CommandResult.h"
#include "link/Session.h"
#include "serial/CSerialPort.h"

#include <memory>
#include <optional>
#include <string>

namespace bf::cli {

// The extensions of firmware (S-record and binary) and parameter file names.
constexpr char kHexExtension[] = "hex";
constexpr char kBinExtension[] = "bin";
constexpr char kTxtExtension[] = "txt";

// What one command works with: the invocation, the console host, the clock, the serial port and
// the port choice, and the output file it wrote. Each step below returns an exit status, 0 when
// the command may go on; every failure has been reported on the error stream.
struct CommandContext {
    CommandContext(const Invocation& invocation, ConsoleHost& console, Clock& clockSource)
        : inv(invocation), host(console), clock(clockSource) {}

    const Invocation& inv;
    ConsoleHost& host;
    Clock& clock;
    CSerialPort port;
    WatchedPort watched{port}; // the operations talk through it
    PortChoice choice;
    bool usesPort = false;             // the command chose a port (the report names it)
    bool flashing = false;             // an update runs: its erases leave the flash incomplete
    std::optional<std::string> output; // the file the command wrote, once it is complete

    Session MakeSession() { return Session{host, clock, watched, choice.settings}; }

    enum class PortUse { AsChosen, Search };
    // The port and rate from the options, the environment and the settings file (read only); or,
    // for Search, a search whatever they say, at the rate they give.
    int ChoosePort(PortUse use = PortUse::AsChosen);
    // --wait: until the chosen port's device is there.
    int WaitForPort();
    // The exit status of an operation's result; reports what the operation left unsaid.
    int Finish(const CommandResult& result, FileRole role);

  private:
    void SayWhyThePortFailed();
};

// The output name after the window's extension rule; 73 when it exists and --force is not given.
int PrepareOutput(CommandContext& c, const std::string& chosen, const char* extension, std::string& path);

// An input file must exist and open for reading as a regular file: 0, or 66 after saying why not.
int CheckInput(ConsoleHost& host, const std::string& path);

// The firmware image and its block counts.
struct LoadedImage {
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    ImageState state;
    std::string type; // "S-record" or "binary image"
    std::uint64_t fileSize = 0;
};

// File > Open with the given file: 0, 65 when it does not convert (with the failing line), or 66.
int LoadFirmware(CommandContext& c, const std::string& path, LoadedImage& loaded);

} // namespace bf::cli
