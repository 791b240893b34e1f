#include "params/ParameterBackup.h"
#include "params/ParameterUpdate.h"
#include "tests/e2e/PtyFixture_posix.h"

#include <gmock/gmock.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <unistd.h>

namespace bf::test {
namespace {

using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr char kPrintout[] = "FLOORS=8\r\nDOOR_OPEN_TIME=4.0\r\nPARKING_FLOOR=0\r\n";
constexpr char kEdited[] = "FLOORS=8\r\nDOOR_OPEN_TIME=6.5\r\nPARKING_FLOOR=2\r\nFIRE_FLOOR=1\r\n";

// Backup, edit and update on the real serial port against brenvaldor-sim, which records every
// text it is sent.
struct ParametersOnPty : PtyFixture {
    ParametersOnPty() {
        settings = {1, 57600, 0};
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "printout", std::ios::binary) << kPrintout;
    }
    ~ParametersOnPty() override { std::filesystem::remove_all(dir); }

    static std::string Read(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    // The record holds FF 23 followed by the text, for every text the simulator received.
    std::vector<std::string> ReceivedTexts() const {
        const std::string record = Read(dir / "record");
        std::vector<std::string> texts;
        for (std::size_t at = record.find("\xFF\x23"); at != std::string::npos;) {
            const std::size_t next = record.find("\xFF\x23", at + 2);
            texts.push_back(record.substr(at + 2, next == std::string::npos ? next : next - at - 2));
            at = next;
        }
        return texts;
    }

    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("bf-params-e2e-" + std::to_string(getpid()));
};

TEST_F(ParametersOnPty, BackupEditAndUpdateReachTheController) {
    StartSim({"--printout", (dir / "printout").string(), "--record", (dir / "record").string()});
    const std::string chosen = (dir / "lift params").string();

    host.fileAnswers.push_back(chosen);
    ParameterBackup(session);
    ASSERT_EQ(Read(chosen + ".txt"), kPrintout);
    EXPECT_EQ(host.logSinceClear,
              (std::vector<std::string>{"OPEN SERIAL PORT COM1:57600", "READ SETUP PARAMETERS",
                                        "NUMBER OF PARAMETERS 3", "SERIAL PORT CLOSED"}));

    host.fileAnswers.push_back(chosen);
    ParameterEdit(host);
    ASSERT_EQ(host.editorOpened, std::vector<std::string>{chosen + ".txt"});
    std::ofstream(host.editorOpened[0], std::ios::binary | std::ios::trunc) << kEdited;

    // The update never reads and its waits pass on the pump clock, so the port could close before
    // the simulator has taken the last lines. Its three FF 02 answers (to FF 01, FF 21 and FF 20)
    // show that it has taken everything before them.
    bool answered = false;
    host.onPump = [&] {
        if (!answered && !host.logSinceClear.empty() && host.logSinceClear.back() == "DRIVE PRINTOUT ON")
            answered = WaitForBytes(port, 6) >= 6;
    };
    host.fileAnswers.push_back(chosen + ".txt");
    const std::int32_t before = ControllerClockValue(std::time(nullptr));
    ParameterUpdate(session);
    const std::int32_t after = ControllerClockValue(std::time(nullptr));
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_TRUE(answered);
    EXPECT_THAT(host.boxes, IsEmpty());

    sim->Stop(); // the simulator writes its record as it ends
    const std::vector<std::string> texts = ReceivedTexts();
    ASSERT_EQ(texts.size(), 5u);
    ASSERT_EQ(texts[0].rfind("time=", 0), 0u);
    ASSERT_EQ(texts[0].back(), '\r');
    const long clock = std::stol(texts[0].substr(5));
    EXPECT_GE(clock, before);
    EXPECT_LE(clock, after);
    EXPECT_THAT(std::vector<std::string>(texts.begin() + 1, texts.end()),
                ElementsAreArray(
                    {"FLOORS=8\r\n", "DOOR_OPEN_TIME=6.5\r\n", "PARKING_FLOOR=2\r\n", "FIRE_FLOOR=1\r\n"}));
}

// brenvaldor-sim --pace hears each byte after its wire time, and with --store-ms loses what comes
// while it stores a text. A line longer on the wire than its pause (200 bytes: 229 ms at 9600
// bit/s, pause 166 ms at the 57600 setting) reaches it whole only if the pause begins once the
// line is in. The pauses are kept in real time from the clock text on.
TEST_F(ParametersOnPty, PacedLinesLongerThanTheirPauseAreEachStoredWhole) {
    StartSim({"--pace", "--store-ms", "100", "--record", (dir / "record").string()});
    const std::string longLine = "TEXT=" + std::string(193, 'x') + "\r\n";
    std::ofstream(dir / "long.txt", std::ios::binary) << longLine << "B=2\r\n" << longLine;
    std::optional<bool> answered;
    host.onPump = [&] {
        const std::string last = host.logSinceClear.empty() ? std::string() : host.logSinceClear.back();
        if (last == "DRIVE PRINTOUT ON") {
            if (!answered)
                answered = WaitForBytes(port, 6) >= 6;
        } else if (last == "SET CONTROLLER TIME TO PC TIME" || last.rfind("PARAMETER --> ", 0) == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    host.fileAnswers.push_back((dir / "long.txt").string());
    ParameterUpdate(session);
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_EQ(answered, true);

    sim->Stop();
    const std::vector<std::string> texts = ReceivedTexts();
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_THAT(std::vector<std::string>(texts.begin() + 1, texts.end()),
                ElementsAreArray({longLine, std::string("B=2\r\n"), longLine}));
}

} // namespace
} // namespace bf::test
