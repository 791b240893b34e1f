#include "firmware/ProgramBackup.h"
#include "tests/firmware/ProgramBackupFixture.h"
#include "tests/support/FolderSize.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace bf::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(ProgramBackupTest, CancelLeavesOnlyTheLogEmptied) {
    BackupProgram(session);

    EXPECT_EQ(host.clears, 1);
    ASSERT_EQ(host.dialogs.size(), 1u);
    EXPECT_TRUE(host.dialogs[0].save);
    ASSERT_EQ(host.dialogs[0].filters.size(), 2u);
    EXPECT_EQ(host.dialogs[0].filters[0].description, "Brenvaldor firmware (*.bin)");
    EXPECT_EQ(host.dialogs[0].filters[0].pattern, "*.bin");
    EXPECT_EQ(host.dialogs[0].filters[1].description, "All files (*.*)");
    EXPECT_THAT(port.opens, IsEmpty());
    EXPECT_THAT(host.toolbar, IsEmpty());
    EXPECT_THAT(Files(), IsEmpty());
}

TEST_F(ProgramBackupTest, ReadsTheWholeFlashFromSector1) {
    const std::string path = Run();

    EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "BACKUP PROGRAM",
                                                "CHANGE BAUDRATE TO 9600", "SERIAL PORT CLOSED"));
    EXPECT_THAT(host.boxes, IsEmpty());
    const Bytes file = ReadAll(path);
    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_TRUE(AllBlank(file, 0, kStart));
    EXPECT_TRUE(std::equal(model.flash.begin() + kStart, model.flash.end(), file.begin() + kStart));
    EXPECT_TRUE(AllBlank(file, 0x100000, kFileSize));
    EXPECT_EQ(MaxPercent(), 100); // sector 18 passes 100 in the raw figure
    EXPECT_EQ(host.toolbar, (std::vector<std::vector<bool>>{{false, false, false}, {true, true, true}}));
    EXPECT_EQ(port.written.back(), 0xF9);
    ASSERT_EQ(port.opens.size(), 2u);
    EXPECT_EQ(port.opens[1].baud, 38400u) << "the read runs at the configured rate";
    EXPECT_THAT(Files(), ElementsAre("backup.bin"));
}

TEST_F(ProgramBackupTest, ProgressFollowsTheBytesStoredAndThenTheBytesWritten) {
    // While the file is written (after the second reset), each percentage shown must match the
    // share of the file on the disk.
    std::vector<std::pair<int, std::uintmax_t>> writeSteps;
    std::size_t seen = 0;
    int resets = 0;
    host.onPump = [&] {
        for (; seen < host.progress.size(); ++seen)
            resets += host.progress[seen].reset;
        if (resets == 2)
            writeSteps.emplace_back(host.progress.back().percent, BytesInFolder(dir) * 100 / kFileSize);
    };
    Run();

    // Reading: after packet k, the 32 * k bytes stored as a percentage of sectors 1 to 17
    // (0xEC000 bytes), held at 100 through sector 18.
    std::vector<int> expected{-1};
    for (std::uint64_t k = 1; k <= (0x100000 - kStart) / 32; ++k)
        expected.push_back(static_cast<int>(std::min<std::uint64_t>(100, 32 * k * 100 / 0xEC000)));
    // Writing: every percentage once, then the resets of the write and of the end.
    expected.push_back(-1);
    for (int p = 0; p < 100; ++p)
        expected.push_back(p);
    expected.insert(expected.end(), {-1, -1});
    const std::vector<int> shown = host.Shown();
    ASSERT_EQ(shown.size(), expected.size());
    for (std::size_t i = 0; i < shown.size(); ++i)
        ASSERT_EQ(shown[i], expected[i]) << "progress call " << i;
    ASSERT_EQ(writeSteps.size(), 99u); // 1 to 99: the 0 after the reset changes nothing on screen
    for (const auto& [percent, onDisk] : writeSteps)
        EXPECT_EQ(static_cast<std::uintmax_t>(percent), onDisk);
}

TEST_F(ProgramBackupTest, AShortReplyEndsTheBlockOnlyWhenItStartsWith0C) {
    // Block 1 sends one packet and a short message. A short message that starts with 0C ends the
    // block at once; any other is dropped and the block waits 2000 ms more for packets.
    struct Case {
        Bytes tail;
        std::uint32_t blockMs; // from FC 01 to FC 02
    };
    for (const Case& c : {Case{{0x0C, 0x41}, 2001}, Case{{0x41, 0x0C}, 4002}}) {
        SCOPED_TRACE(int(c.tail[0]));
        Bytes reply = Packet(0x11);
        reply.insert(reply.end(), c.tail.begin(), c.tail.end());
        std::map<std::uint8_t, std::uint32_t> requestedAt;
        model.faults.replyOverride = [&](const Bytes& command) -> std::optional<Bytes> {
            if (command.size() != 2 || command[0] != 0xFC)
                return std::nullopt;
            requestedAt[command[1]] = clock.nowMs();
            return command[1] == 1 ? std::optional<Bytes>(reply) : std::nullopt;
        };
        const Bytes file = ReadAll(Run());

        EXPECT_EQ(requestedAt[2] - requestedAt[1], c.blockMs);
        EXPECT_EQ(Bytes(file.begin() + kStart, file.begin() + kStart + 32), Bytes(32, 0x11));
        // Nothing of the short message is stored: block 2 follows the packet directly.
        EXPECT_TRUE(std::equal(model.flash.begin() + 0x6000, model.flash.begin() + 0x6040,
                               file.begin() + kStart + 32));
    }
}

TEST_F(ProgramBackupTest, ClosingRequestIsObeyedRightAfterAPacket) {
    // A thousand packets queued at once: the waits for them never pump, so the request, made while
    // the display moves to 1 % (after packet 303), is seen only by the check after each packet.
    Bytes flood;
    for (int i = 0; i < 1000; ++i) {
        const Bytes p = Packet(0x5A);
        flood.insert(flood.end(), p.begin(), p.end());
    }
    AnswerBlock(1, flood);
    RequestCloseWhen([&] { return !host.progress.empty() && host.progress.back().percent == 1; });
    Run();

    EXPECT_EQ(port.BytesAvailable(), (1000u - 303u) * 37u);
    EXPECT_EQ(port.written.size(), *closeAt);
    EXPECT_THAT(host.boxes, IsEmpty());
}

TEST_F(ProgramBackupTest, AppendsBinUnlessTheNameHasIt) {
    model.faults.silentOn.insert(0xFC);
    Run("plain");
    Run("upper.BIN");
    Run("other.hex");
    EXPECT_THAT(Files(), ::testing::UnorderedElementsAre("plain.bin", "upper.BIN", "other.hex.bin"));
}

TEST_F(ProgramBackupTest, AppendedNameThatExistsIsConfirmedBeforeTheControllerIsContacted) {
    const struct {
        std::string chosen;
        bool answer;
        bool asked;
        bool replaced;
    } cases[] = {
        {"old", false, true, false},     // No: nothing else happens
        {"old", true, true, true},       // Yes: the backup replaces old.bin
        {"old.bin", false, false, true}, // the dialog itself asked about this name
        {"new", false, false, true},     // nothing there to replace
    };
    for (const auto& c : cases) {
        WriteAll(dir + "/old.bin", "old");
        fs::remove(dir + "/new.bin");
        host.overwriteQuestions.clear();
        host.toolbar.clear();
        port.opens.clear();
        host.confirmOverwrite = c.answer;
        const int clearsBefore = host.clears;
        host.fileAnswers.push_back(dir + "/" + c.chosen);
        BackupProgram(session);

        const std::string final = dir + "/" + (c.chosen == "new" ? "new.bin" : "old.bin");
        EXPECT_EQ(host.clears, clearsBefore + 1) << c.chosen;
        EXPECT_EQ(host.overwriteQuestions,
                  c.asked ? std::vector<std::string>{final} : std::vector<std::string>{})
            << c.chosen;
        EXPECT_EQ(port.opens.empty(), !c.replaced) << c.chosen;
        EXPECT_EQ(host.toolbar.empty(), !c.replaced) << c.chosen;
        EXPECT_EQ(ReadAll(final).size(), c.replaced ? kFileSize : 3u) << c.chosen;
    }
    EXPECT_THAT(host.boxes, IsEmpty());
}

TEST_F(ProgramBackupTest, TwoPacketsThenTheEndMessage) {
    Bytes reply = Packet(0x11);
    const Bytes second = Packet(0x22);
    reply.insert(reply.end(), second.begin(), second.end());
    reply.push_back(0x0C);
    model.faults.replyOverride = [reply](const Bytes& c) -> std::optional<Bytes> {
        if (c.size() == 2 && c[0] == 0xFC)
            return c[1] == 1 ? reply : Bytes{0x0C};
        return std::nullopt;
    };
    const Bytes file = ReadAll(Run());

    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_EQ(Bytes(file.begin() + kStart, file.begin() + kStart + 32), Bytes(32, 0x11));
    EXPECT_EQ(Bytes(file.begin() + kStart + 32, file.begin() + kStart + 64), Bytes(32, 0x22));
    EXPECT_TRUE(AllBlank(file, 0, kStart));
    EXPECT_TRUE(AllBlank(file, kStart + 64, kFileSize));
}

TEST_F(ProgramBackupTest, SilentControllerGivesABlankFileAfter18TimeOuts) {
    model.faults.silentOn.insert(0xFC);
    const std::uint32_t start = clock.nowMs();
    const Bytes file = ReadAll(Run());

    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_TRUE(AllBlank(file, 0, kFileSize));
    EXPECT_GE(clock.nowMs() - start, 18u * 2000);
    Bytes requests{0xF1, 0xFB}; // handshake, rate switch, FC and the block number for 1 to 18, F9
    for (std::uint8_t block = 1; block <= 18; ++block)
        requests.insert(requests.end(), {0xFC, block});
    requests.push_back(0xF9);
    EXPECT_EQ(port.written, requests);
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_THAT(host.boxes, IsEmpty());
}

TEST_F(ProgramBackupTest, AShortBlockShiftsTheFollowingData) {
    // One packet, ended by the end message or by silence alone.
    for (const Bytes& tail : {Bytes{0x0C}, Bytes{}}) {
        Bytes reply = Packet(0x33);
        reply.insert(reply.end(), tail.begin(), tail.end());
        AnswerBlock(1, reply);
        const Bytes file = ReadAll(Run());

        EXPECT_EQ(Bytes(file.begin() + kStart, file.begin() + kStart + 32), Bytes(32, 0x33));
        // Block 2 (flash offset 0x6000) follows right after the one packet of block 1.
        EXPECT_TRUE(std::equal(model.flash.begin() + 0x6000, model.flash.end(), file.begin() + kStart + 32));
        EXPECT_TRUE(AllBlank(file, kStart + 32 + (0x100000 - 0x6000), kFileSize));
    }
}

TEST_F(ProgramBackupTest, PacketsBeyondTheFlashAreDropped) {
    Bytes flood;
    for (int i = 0; i < 0x8000 + 40; ++i) {
        const Bytes p = Packet(0xAB);
        flood.insert(flood.end(), p.begin(), p.end());
    }
    flood.push_back(0x0C);
    AnswerBlock(1, flood);
    const Bytes file = ReadAll(Run());

    ASSERT_EQ(file.size(), kFileSize);
    EXPECT_TRUE(
        std::all_of(file.begin() + kStart, file.begin() + 0x100000, [](auto v) { return v == 0xAB; }));
    EXPECT_TRUE(AllBlank(file, 0x100000, kFileSize));
    EXPECT_LE(MaxPercent(), 100);
}

TEST_F(ProgramBackupTest, UnwritableTargetIsReportedBeforeTheControllerIsContacted) {
    host.fileAnswers.push_back(dir + "/missing/backup.bin");
    BackupProgram(session);

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_THAT(host.boxes[0].text, HasSubstr(dir + "/missing/backup.bin"));
    EXPECT_THAT(host.boxes[0].text, HasSubstr("No such file or directory"));
    EXPECT_THAT(port.opens, IsEmpty());
    EXPECT_THAT(host.toolbar, IsEmpty());
}

TEST_F(ProgramBackupTest, AFailureLeavesTheOldFile) {
    WriteAll(dir + "/backup.bin", "old");
    model.faults.silentOn.insert(0xF1);
    Run();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Error: 1");
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(ReadAll(dir + "/backup.bin"), (Bytes{'o', 'l', 'd'}));
    EXPECT_THAT(Files(), ElementsAre("backup.bin"));
}

TEST_F(ProgramBackupTest, NoFileAppearsWhenTheBackupFails) {
    model.faults.silentOn.insert(0xFB); // no answer to the rate switch: the generic box
    Run();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Error: 8");
    EXPECT_THAT(Files(), IsEmpty());
}

TEST_F(ProgramBackupTest, ClosingRequestDuringTheReadLeavesTheOldFile) {
    // The request comes while block 3's packets stream in, or while a silent block is awaited.
    for (const bool silent : {false, true}) {
        SCOPED_TRACE(silent ? "silent" : "answering");
        if (silent)
            model.faults.silentOn.insert(0xFC);
        WriteAll(dir + "/backup.bin", "old");
        closeAt.reset();
        host.toolbar.clear();
        const std::size_t requestsBefore = CountWritten(0xFC);
        RequestCloseWhen([&] { return CountWritten(0xFC) >= requestsBefore + 3; });
        Run();

        EXPECT_THAT(host.boxes, IsEmpty());
        EXPECT_TRUE(WrittenEndsWith({0xFC, 0x03}));
        EXPECT_EQ(port.written.size(), *closeAt);
        EXPECT_EQ(host.logSinceClear.back(), "BACKUP PROGRAM");
        EXPECT_EQ(ReadAll(dir + "/backup.bin"), (Bytes{'o', 'l', 'd'}));
        EXPECT_THAT(Files(), ElementsAre("backup.bin"));
        EXPECT_EQ(host.toolbar, (std::vector<std::vector<bool>>{{false, false, false}}));
        port.Close(); // the command leaves it open for the closing window
        model.baudRate = 9600;
    }
}

TEST_F(ProgramBackupTest, PulledAdapterDuringTheReadEndsSoundly) {
    WriteAll(dir + "/backup.bin", "old");
    VanishWhen([&] { return CountWritten(0xFC) >= 2; });
    Run();

    ASSERT_TRUE(vanished);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Error: 9");
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(host.progress.back().reset, 1);
    EXPECT_EQ(ReadAll(dir + "/backup.bin"), (Bytes{'o', 'l', 'd'}));
}

TEST_F(ProgramBackupTest, PulledAdapterWhileTheRateGoesBackLeavesTheOldFile) {
    // The whole flash was read and written out; the adapter goes as F9 is to be sent. The backup
    // failed (9), so the file it was to replace stays as it was.
    WriteAll(dir + "/backup.bin", "old");
    // The file's last percent, after the resets that open and close the reading.
    VanishWhen([&] {
        const auto resets = std::count_if(host.progress.begin(), host.progress.end(),
                                          [](const RecordingHost::Progress& p) { return p.reset == 1; });
        return resets == 2 && host.progress.back().percent == 99;
    });
    Run();

    ASSERT_TRUE(vanished);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Error: 9");
    EXPECT_EQ(CountWritten(0xFC), 18u);
    EXPECT_EQ(ReadAll(dir + "/backup.bin"), (Bytes{'o', 'l', 'd'}));
    EXPECT_THAT(Files(), ElementsAre("backup.bin"));
}

} // namespace
} // namespace bf::test
