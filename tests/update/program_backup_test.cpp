#include "ControllerFixture.h"
#include "ProgramBackup.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace bf::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::size_t kFileSize = 1048608;
constexpr std::size_t kStart = 0x4000;

class ProgramBackupTest : public ControllerFixture {
  protected:
    ProgramBackupTest() {
        char pattern[] = "/tmp/bf-backup-XXXXXX";
        dir = mkdtemp(pattern);
        for (std::size_t i = 0; i < model.flash.size(); ++i)
            model.flash[i] = static_cast<std::uint8_t>(i * 13 + (i >> 16));
    }
    ~ProgramBackupTest() override { fs::remove_all(dir); }

    std::string Run(const std::string& name = "backup.bin") {
        host.fileAnswers.push_back(dir + "/" + name);
        BackupProgram(session);
        return dir + "/" + name;
    }
    static Bytes ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }
    // A data packet carrying `data` (32 bytes); header and checksum are not examined.
    static Bytes Packet(std::uint8_t data) {
        Bytes p(37, data);
        p[0] = 0xFC;
        return p;
    }
    void AnswerBlock(std::uint8_t block, Bytes reply) {
        model.faults.replyOverride = [block, reply](const Bytes& c) -> std::optional<Bytes> {
            if (c.size() == 2 && c[0] == 0xFC && c[1] == block)
                return reply;
            return std::nullopt;
        };
    }
    static bool AllBlank(const Bytes& b, std::size_t from, std::size_t to) {
        return std::all_of(b.begin() + from, b.begin() + to, [](std::uint8_t v) { return v == 0xFF; });
    }

    std::string dir;
};

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
    EXPECT_THAT(Files(), ElementsAre("backup.bin"));
}

TEST_F(ProgramBackupTest, AppendsBinUnlessTheNameHasIt) {
    model.faults.silentOn.insert(0xFC);
    Run("plain");
    Run("upper.BIN");
    Run("other.hex");
    EXPECT_THAT(Files(), ::testing::UnorderedElementsAre("plain.bin", "upper.BIN", "other.hex.bin"));
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
    EXPECT_EQ(CountWritten(0xFC), 18u);
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_THAT(host.boxes, IsEmpty());
}

TEST_F(ProgramBackupTest, AShortBlockShiftsTheFollowingData) {
    Bytes reply = Packet(0x33);
    reply.push_back(0x0C);
    AnswerBlock(1, reply);
    const Bytes file = ReadAll(Run());

    EXPECT_EQ(Bytes(file.begin() + kStart, file.begin() + kStart + 32), Bytes(32, 0x33));
    // Block 2 (flash offset 0x6000) follows right after the one packet of block 1.
    EXPECT_TRUE(std::equal(model.flash.begin() + 0x6000, model.flash.end(), file.begin() + kStart + 32));
    EXPECT_TRUE(AllBlank(file, kStart + 32 + (0x100000 - 0x6000), kFileSize));
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
    WriteAll(dir + "/backup.bin", "old");
    RequestCloseWhen([&] { return CountWritten(0xFC) >= 3; });
    Run();

    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_EQ(port.written.size(), *closeAt);
    EXPECT_EQ(host.logSinceClear.back(), "BACKUP PROGRAM");
    EXPECT_EQ(ReadAll(dir + "/backup.bin"), (Bytes{'o', 'l', 'd'}));
    EXPECT_THAT(Files(), ElementsAre("backup.bin"));
    EXPECT_EQ(host.toolbar, (std::vector<std::vector<bool>>{{false, false, false}}));
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

} // namespace
} // namespace bf::test
