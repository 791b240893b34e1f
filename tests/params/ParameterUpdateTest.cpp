#include "params/ParameterUpdate.h"
#include "link/Link.h"
#include "serial/LineTiming.h"
#include "tests/params/ParamsFixture.h"

#include <gmock/gmock.h>

#include <ctime>

namespace bf::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class ParameterUpdateTest : public ParamsFixture {
  protected:
    void Update(const std::string& content) {
        WriteFile(PathOf("p.txt"), content);
        host.fileAnswers.push_back(PathOf("p"));
        ParameterUpdate(session);
    }
    // The texts the controller received after the clock text.
    std::vector<std::string> ReceivedLines() const {
        return {model.receivedTexts.begin() + 1, model.receivedTexts.end()};
    }
    // For every text on the wire (clock text and lines): the time from its last byte being in to
    // the next escape byte being in.
    std::vector<std::uint32_t> GapsAfterTexts() const {
        std::vector<std::uint32_t> gaps;
        bool inText = false;
        for (std::size_t i = 1; i < port.written.size(); ++i) {
            if (port.written[i] != esc::Escape)
                continue;
            if (inText)
                gaps.push_back(port.wireEndMs[i] - port.wireEndMs[i - 1]);
            inText = i + 1 < port.written.size() && port.written[i + 1] == esc::Text;
            ++i;
        }
        return gaps;
    }
};

TEST_F(ParameterUpdateTest, TwoLineFileGoesOutExactlyAndNothingIsRead) {
    // The controller answers FF 01, FF 21 and FF 20; an update that never reads leaves all six bytes.
    std::uint32_t unread = 0;
    host.onPump = [&] {
        if (!host.logSinceClear.empty() && host.logSinceClear.back() == "DRIVE PRINTOUT ON")
            unread = port.BytesAvailable();
    };
    WriteFile(PathOf("p.txt"), "P1=5\r\nP2=6\r\n");
    host.fileAnswers.push_back(PathOf("p.txt"));
    const std::int32_t before = ControllerClockValue(std::time(nullptr));
    ParameterUpdate(session);
    const std::int32_t after = ControllerClockValue(std::time(nullptr));

    ASSERT_TRUE(model.clockValue.has_value());
    EXPECT_GE(*model.clockValue, before);
    EXPECT_LE(*model.clockValue, after);
    const std::string clockText = "time=" + std::to_string(*model.clockValue) + "\r";
    Bytes expected{0xFF, 0x01, 0xFF, 0x21, 0xFF, 0x23};
    expected.insert(expected.end(), clockText.begin(), clockText.end());
    for (const std::string line : {"P1=5\r\n", "P2=6\r\n"}) {
        expected.insert(expected.end(), {0xFF, 0x23});
        expected.insert(expected.end(), line.begin(), line.end());
    }
    expected.insert(expected.end(), {0xFF, 0x04, 0xFF, 0x20});
    EXPECT_EQ(port.written, expected);
    EXPECT_EQ(unread, 6u);
    EXPECT_THAT(host.logSinceClear,
                ElementsAre("OPEN SERIAL PORT COM1:38400", "CHECK CONTROLLER", "DRIVE PRINTOUT OFF",
                            "SET CONTROLLER TIME TO PC TIME", "WRITE SETUP PARAMETERS",
                            "PARAMETER --> P1=5\r ", "PARAMETER --> P2=6\r ", "DRIVE PRINTOUT ON",
                            "NUMBER OF PARAMETERS 2", "SERIAL PORT CLOSED"));
    EXPECT_THAT(host.waits, ElementsAre(2000u, 1000u, 1000u, 250u, 250u, 1000u));
    EXPECT_THAT(Percents(), ElementsAre(0, 50));
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(ParameterUpdateTest, SplitsLongLinesSkipsShortPiecesAndSendsAnUnendedLastLine) {
    const std::string longLine(299, 'x');
    Update("ab\n\r\n\nabc\nab\r\n" + longLine + "\n" + "last");

    EXPECT_THAT(ReceivedLines(),
                ElementsAre("abc\n", "ab\r\n", longLine.substr(0, 255), longLine.substr(255) + "\n", "last"));
    EXPECT_TRUE(Logged("PARAMETER --> abc "));
    EXPECT_TRUE(Logged("PARAMETER --> " + longLine.substr(0, 255)));
    EXPECT_TRUE(Logged("PARAMETER --> " + longLine.substr(255) + " "));
    EXPECT_TRUE(Logged("PARAMETER --> last"));
    EXPECT_TRUE(Logged("NUMBER OF PARAMETERS 5"));
    EXPECT_FALSE(Logged("NUMBER OF PARAMETERS IN FILE 5"));
}

TEST_F(ParameterUpdateTest, PacesEachLineByTheConfiguredRate) {
    for (const auto& [rate, pace] : {std::pair{57600, 166u}, {19200, 500u}, {9600, 1000u}}) {
        host.waits.clear();
        host.progress.clear();
        settings.m_nBaudRate = rate;
        const std::uint32_t start = clock.nowMs();
        Update("A=1\r\nB=2\r\nC=3\r\n");
        EXPECT_THAT(host.waits, ElementsAre(2000u, 1000u, 1000u, pace, pace, pace, 1000u)) << rate;
        EXPECT_GE(clock.nowMs() - start, 5000u + 3 * pace);
        EXPECT_THAT(Percents(), ElementsAre(0, 33, 66)); // (100 * (k - 1)) / 3 for line k
    }
}

// The pause that lets the controller store a line begins when the line is in: a line that takes
// longer on the wire than its pause (200 bytes: 229 ms at 9600 bit/s) still gets the whole pause.
TEST_F(ParameterUpdateTest, EachTextIsInBeforeItsPauseBegins) {
    port.SetLineTiming(true);
    model.faults.storeMs = 150; // a controller that needs most of the shortest pause
    const std::string longLine = "TEXT=" + std::string(193, 'x') + "\r\n";
    for (const auto& [rate, pace] : {std::pair{57600, 166u}, {9600, 1000u}}) {
        settings.m_nBaudRate = rate;
        port.written.clear();
        port.wireEndMs.clear();
        model.receivedTexts.clear();
        Update(longLine + "B=2\r\n" + longLine);
        const std::vector<std::uint32_t> gaps = GapsAfterTexts();
        ASSERT_EQ(gaps.size(), 4u) << rate;
        EXPECT_GT(gaps[0], 1000u) << "after the clock text";
        for (std::size_t k = 1; k < gaps.size(); ++k)
            EXPECT_GT(gaps[k], pace) << "after line " << k << " at " << rate;
        EXPECT_THAT(ReceivedLines(), ElementsAre(longLine, "B=2\r\n", longLine)) << rate;
    }
}

// A drain that never finishes gives up after the wire time of what it waits for plus a second
// and the update goes on as usual; Close's own drain gives up the same way.
TEST_F(ParameterUpdateTest, StalledLineDelaysEachDrainByItsLimitAndNothingMore) {
    settings.m_nBaudRate = 57600;
    Update("A=1\r\nB=2\r\n");
    const std::uint32_t normal = clock.nowMs();
    const auto normalLog = host.logSinceClear;

    port.StallDrains();
    Update("A=1\r\nB=2\r\n");
    const std::uint32_t stalled = clock.nowMs() - normal;
    const std::string clockText = model.receivedTexts[model.receivedTexts.size() - 3];
    // FF 01, FF 21 and FF 23 with the clock text; FF 23 and each line; FF 04 FF 20 at Close.
    const std::uint32_t limits =
        DrainLimitMs(6 + clockText.size(), 9600) + 2 * DrainLimitMs(2 + 5, 9600) + DrainLimitMs(4, 9600);
    EXPECT_EQ(stalled, normal - 1000 + limits) << "the first update started at 1000";
    EXPECT_EQ(port.drains, 2 * 4);
    EXPECT_EQ(host.logSinceClear, normalLog) << "nothing extra is logged";
}

TEST_F(ParameterUpdateTest, SkippedPiecesStillHandleEventsWhileTheyAreSent) {
    // Four pieces too short to be parameter lines: nothing is sent or paced, but the window is
    // kept alive after each of them in both passes.
    long firstPass = 0, secondPass = 0;
    host.onPump = [&] {
        if (host.toolbar.empty())
            ++firstPass;
        else if (!host.logSinceClear.empty() && host.logSinceClear.back() == "WRITE SETUP PARAMETERS")
            ++secondPass;
    };
    Update("ab\n\r\n\nxy\n");

    EXPECT_EQ(firstPass, 4);
    EXPECT_EQ(secondPass, 4);
    EXPECT_EQ(ReceivedLines().size(), 0u);
}

TEST_F(ParameterUpdateTest, CancelledDialogDoesNothing) {
    ParameterUpdate(session);
    EXPECT_EQ(host.clears, 0);
    EXPECT_TRUE(host.toolbar.empty());
    EXPECT_TRUE(port.opens.empty());
    EXPECT_EQ(host.dialogs.size(), 1u);
}

TEST_F(ParameterUpdateTest, MissingFileStillSetsTheClockAndReportsNoParameters) {
    host.fileAnswers.push_back(PathOf("none"));
    ParameterUpdate(session);

    EXPECT_TRUE(model.clockValue.has_value());
    EXPECT_EQ(model.receivedTexts.size(), 1u);
    const std::vector<std::string> tail(host.log.end() - 4, host.log.end());
    EXPECT_THAT(tail, ElementsAre("WRITE SETUP PARAMETERS", "DRIVE PRINTOUT ON", "NUMBER OF PARAMETERS 0",
                                  "SERIAL PORT CLOSED"));
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ParameterUpdateTest, FileChangedBetweenPassesNeverDividesByZeroNorPassesHundred) {
    const std::string path = PathOf("late.txt");
    host.onPump = [&] {
        if (Logged("SET CONTROLLER TIME TO PC TIME") && !std::filesystem::exists(path))
            WriteFile(path, "A=1\r\nB=2\r\n");
    };
    host.fileAnswers.push_back(path);
    ParameterUpdate(session);
    EXPECT_TRUE(Logged("NUMBER OF PARAMETERS 2"));
    EXPECT_TRUE(Logged("NUMBER OF PARAMETERS IN FILE 0"));
    EXPECT_TRUE(Percents().empty());

    WriteFile(path, "A=1\r\n");
    host.progress.clear();
    host.log.clear();
    host.onPump = [&] {
        if (Logged("SET CONTROLLER TIME TO PC TIME") && ReadFile(path)->size() < 10)
            WriteFile(path, "A=1\r\nB=2\r\nC=3\r\n");
    };
    host.fileAnswers.push_back(path);
    ParameterUpdate(session);
    EXPECT_THAT(Percents(), ElementsAre(0, 100, 100));
    EXPECT_TRUE(Logged("NUMBER OF PARAMETERS IN FILE 1"));
}

TEST_F(ParameterUpdateTest, PulledAdapterEndsSoundly) {
    VanishWhen([&] { return Logged("WRITE SETUP PARAMETERS"); });
    Update("A=1\r\nB=2\r\n");

    ASSERT_GE(host.log.size(), 2u);
    EXPECT_THAT(host.log[host.log.size() - 2], HasSubstr("SERIAL PORT FAILURE - ERROR 2"));
    EXPECT_EQ(host.log.back(), "SERIAL PORT CLOSED");
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(host.progress.back().reset, 1);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(ParameterUpdateTest, BusyPortOnlyLogs) {
    port.SetOpenError(1, 5);
    Update("A=1\r\n");
    EXPECT_THAT(host.logSinceClear,
                ElementsAre("OPEN SERIAL PORT COM1:38400", "SERIAL PORT BUSY OR DOES NOT EXIST"));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
}

} // namespace
} // namespace bf::test
