// libFuzzer target: the program backup against a controller whose every reply comes from the fuzz
// input, into a file that exists beforehand when the setup says so.
//
// Bound: the optional port search (28 probe waits of 2000 ms), the handshake (5000 ms), the rate
// switch (2000 ms and the 500 ms pause), and per block one wait of 2000 ms that ends it plus one
// per packet or short message, each of which takes at least one byte of the script; each wait
// with the pump step that notices its time-out, and three progress phases.
// Success means: the handshake was answered 01 and the rate switch confirmed; blocks 1 to 18 were
// asked for in order; the file holds 0xFF up to 0x4000, then bytes 4 to 35 of every 37-byte
// packet (sent after its request) in the order they came (as far as the flash reaches), then 0xFF, 1,048,608
// bytes in all; then F9 and the port closed. A run that does not succeed leaves the file as it was.
#include "firmware/ProgramBackup.h"
#include "fuzz/OperationRun.h"
#include "fuzz/Violation.h"

#include <algorithm>
#include <filesystem>

namespace {

using namespace bf;
using namespace bf::fuzz;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPacket = 37;
constexpr std::uint32_t kFlashBytes = 0x100000;
constexpr std::uint32_t kFirstStore = 0x4000;

// The file the replies make: the data of each packet, read as a whole 37 bytes after the port
// said at least 37 were there, and arrived after its block was asked for; shorter messages (a
// block's end 0C, or noise) carry no data.
Bytes ExpectedFile(ExchangeWalk& walk) {
    Bytes file(kFlashBytes + 32, 0xFF);
    std::uint32_t store = kFirstStore;
    for (std::uint8_t block = 1; block <= 18; ++block) {
        const Exchange& request = walk.Next("the backup did not ask for every block");
        Require(Sent(request, {0xFC, block}), "the read requests are not FC 01 to FC 18 in order");
        for (const ReadGroup& g : request.groups) {
            if (g.polled < kPacket) {
                Require(g.bytes.size() == g.polled, "a short message was not read whole");
                continue;
            }
            Require(g.bytes.size() == kPacket, "a packet was not read as 37 bytes");
            Require(std::all_of(g.arrivals.begin(), g.arrivals.end(),
                                [&](std::uint32_t at) {
                                    return static_cast<std::int32_t>(at - request.sentMs) >= 0;
                                }),
                    "bytes that arrived before their block was asked for were stored");
            if (store + 32 <= kFlashBytes) {
                std::copy(g.bytes.begin() + 4, g.bytes.begin() + 36, file.begin() + store);
                store += 32;
            }
        }
    }
    return file;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace protocol_ms;
    OperationRun run(data, size);
    run.Limit((run.setup.autoPort ? kSearchMs : 0) + WaitMs(kHandshake) + WaitMs(kReply) + kAfterBaudSwitch +
              static_cast<std::uint32_t>(18 + run.ScriptBytes()) * WaitMs(kReply) + 3 * kProgressPhaseMs);
    const std::string path = ScratchFolder() + "/backup.bin";
    std::filesystem::remove(path);
    if (run.setup.existingOutput)
        WriteFile(path, run.setup.file);
    const auto before = FileContent(path);
    run.host.fileAnswer = path;

    const CommandResult r = BackupProgram(run.session);
    using End = CommandResult::End;
    run.CheckEnd(r, {End::Done, End::Aborted}, {1, 2, 3, 8, 9});
    const auto sessions = run.Sessions();
    const std::size_t searched = run.CheckSearch(sessions, Probe::Connect, run.setup.autoPort);
    if (r.end != End::Done) {
        Require(FileContent(path) == before, "a backup that did not succeed changed the file");
        return 0;
    }
    ExchangeWalk walk = run.CheckConnection(sessions, searched, true);
    const Bytes expected = ExpectedFile(walk);
    const Exchange& back = walk.Next("no return to 9600 bit/s");
    Require(Sent(back, {0xF9}) && walk.AtEnd() && sessions.back().closed,
            "the backup ended without F9 alone");
    Require(FileContent(path) == expected, "the file does not hold the flash bytes the replies carried");
    return 0;
}
