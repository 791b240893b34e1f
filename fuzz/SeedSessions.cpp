// fuzz-seeds <corpus folder>: runs each operation against the controller model and writes the
// session, its setup and the model's replies, as a seed input of the operation's fuzz target
// (<corpus folder>/<target>/good-session...). Read-back blocks keep their first two packets and
// their end, so that the backup's seed stays small.
#include "firmware/FlashUpdate.h"
#include "firmware/ProgramBackup.h"
#include "fuzz/FuzzHost.h"
#include "fuzz/HostilePort.h"
#include "fuzz/OperationRun.h"
#include "fuzz/SmallImage.h"
#include "link/PortSearch.h"
#include "params/ParameterBackup.h"
#include "params/ParameterErase.h"
#include "params/ParameterUpdate.h"
#include "sim/ControllerModel.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace {

using namespace bf;
using namespace bf::fuzz;
using Bytes = std::vector<std::uint8_t>;

constexpr int kControllerPort = 3;
constexpr std::size_t kPacketsKept = 2;
constexpr std::size_t kPacket = 37;

// The model's answers as replies, written down as the fuzz input encodes them.
class ModelReplies final : public ReplySource {
  public:
    ModelReplies(sim::ControllerModel& model, Clock& clock) : m_model(model), m_clock(clock) {}

    Reply NextReply(int port, const Bytes& written) override {
        Reply reply;
        if (port == kControllerPort && !written.empty()) {
            std::vector<sim::Output> outputs;
            m_model.Receive(written.data(), written.size(), m_clock.nowMs(), outputs);
            std::uint32_t last = 0;
            for (const sim::Output& o : outputs) {
                reply.push_back({o.delayMs - last, Shortened(written, o.bytes)});
                last = o.delayMs;
            }
        }
        const Bytes encoded = EncodeReply(reply);
        script.insert(script.end(), encoded.begin(), encoded.end());
        return reply;
    }

    Bytes script;

  private:
    static Bytes Shortened(const Bytes& written, const Bytes& bytes) {
        if (written[0] != 0xFC || bytes.size() <= kPacketsKept * kPacket)
            return bytes;
        Bytes kept(bytes.begin(), bytes.begin() + kPacketsKept * kPacket);
        kept.push_back(bytes.back());
        return kept;
    }

    sim::ControllerModel& m_model;
    Clock& m_clock;
};

struct Seed {
    std::string target;
    std::string name;
    SessionSetup setup;
    std::function<CommandResult(Session&)> run;
    const char* file = nullptr;   // the operation's file, in the scratch folder as its target has it
    bool flashHoldsImage = false; // the model's flash already holds the update's image
};

SessionSetup Setup(bool autoPort, int baud, std::uint8_t extra = 0, Bytes file = {}) {
    SessionSetup s;
    s.port = autoPort ? 0 : kControllerPort;
    s.autoPort = autoPort;
    s.baud = baud;
    s.extra = extra;
    s.existingOutput = !file.empty();
    s.file = std::move(file);
    if (autoPort)
        s.openErrors = {{1, 2}, {2, 5}}; // COM1 missing, COM2 held by another program
    return s;
}

CommandResult WithSmallImage(Session& s, bool verifyOnly) {
    ImageState state;
    FirmwareImage& image = SmallImage(state);
    return verifyOnly ? VerifyProgram(s, image, state) : UpdateProgram(s, image, state);
}

CommandResult Search(Session& s, Probe probe) {
    if (probe == Probe::Connect)
        AutodetectPort(s);
    else
        AutodetectPortParam(s);
    return s.settings.m_nPort == kControllerPort ? CommandResult::Done() : CommandResult::Failed(1);
}

bool Write(const std::filesystem::path& folder, const Seed& seed) {
    test::VirtualClock clock;
    sim::ControllerModel model;
    if (seed.flashHoldsImage)
        std::copy_n(SmallImageBytes().begin(), model.flash.size(), model.flash.begin());
    ModelReplies replies(model, clock);
    HostilePort port(clock, replies, seed.setup);
    FuzzHost host(clock);
    PortSettings settings{seed.setup.port, seed.setup.baud, seed.setup.autoPort ? 1 : 0};
    Session session{host, clock, port, settings};
    if (seed.file) {
        const std::string path = ScratchFolder() + "/" + seed.file;
        std::filesystem::remove(path);
        if (seed.setup.existingOutput)
            WriteFile(path, seed.setup.file);
        host.fileAnswer = path;
    }
    const CommandResult r = seed.run(session);
    if (r.end != CommandResult::End::Done) {
        std::fprintf(stderr, "fuzz-seeds: %s/%s did not succeed against the model\n", seed.target.c_str(),
                     seed.name.c_str());
        return false;
    }
    Bytes input = EncodeSetup(seed.setup);
    input.insert(input.end(), replies.script.begin(), replies.script.end());
    std::filesystem::create_directories(folder / seed.target);
    WriteFile((folder / seed.target / seed.name).string(), input);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds <corpus folder>\n");
        return 2;
    }
    const Bytes parameters{'P', '1', '=', '1', '\r', '\n', '\n', 'P', '2', '2', '=', '2', '2', '\r', '\n'};
    const std::vector<Seed> seeds{
        {"update", "good-session", Setup(false, 57600), [](Session& s) { return WithSmallImage(s, false); }},
        {"update", "good-session-auto", Setup(true, 38400),
         [](Session& s) { return WithSmallImage(s, false); }},
        {"update", "good-verify", Setup(false, 19200, 1), [](Session& s) { return WithSmallImage(s, true); },
         nullptr, true},
        {"backup", "good-session", Setup(false, 57600), BackupProgram, "backup.bin"},
        {"param-backup", "good-session", Setup(false, 9600), [](Session& s) { return ParameterBackup(s); },
         "params.txt"},
        {"param-update", "good-session", Setup(false, 57600, 0, parameters), ParameterUpdate, "send.txt"},
        {"param-erase", "good-session", Setup(false, 9600), EraseParameterBlocks},
        {"param-erase", "good-session-auto", Setup(true, 9600), EraseParameterBlocks},
        {"restart", "good-session", Setup(true, 9600), ResetController},
        {"search", "good-session", Setup(true, 9600), [](Session& s) { return Search(s, Probe::Connect); }},
        {"search", "good-session-param", Setup(true, 9600, 1),
         [](Session& s) { return Search(s, Probe::Escape); }},
    };
    bool ok = true;
    for (const Seed& seed : seeds)
        ok = Write(argv[1], seed) && ok;
    return ok ? 0 : 1;
}
