// The console host: where log lines, boxes and progress go, and how Ctrl-C ends every wait.
#include "cli/ConsoleHost.h"
#include "cli/Interrupt.h"
#include "tests/support/VirtualClock.h"

#include <gtest/gtest.h>

#include <sstream>

namespace bf::cli {
namespace {

struct ConsoleHostTest : ::testing::Test {
    test::VirtualClock clock;
    std::ostringstream out;
    std::ostringstream err;

    void TearDown() override { SetInterruptRequested(false); }
};

TEST_F(ConsoleHostTest, LogLinesGoToStandardOutputAsThePaneShowsThem) {
    ConsoleHost host(clock, out, err, {});
    host.AppendLog("OPEN SERIAL PORT COM1:38400");
    host.AppendLog("PARAMETER --> A=1\r ");
    host.ClearLog();
    host.AppendLog("SERIAL PORT CLOSED");
    EXPECT_EQ(out.str(), "OPEN SERIAL PORT COM1:38400\nPARAMETER --> A=1 \nSERIAL PORT CLOSED\n");
    EXPECT_EQ(err.str(), "");
    // The report keeps every line, across ClearLog, without the line ends a parameter line carries.
    EXPECT_EQ(host.Lines(), (std::vector<std::string>{"OPEN SERIAL PORT COM1:38400", "PARAMETER --> A=1 ",
                                                      "SERIAL PORT CLOSED"}));
}

TEST_F(ConsoleHostTest, JsonModeKeepsTheLinesOffStandardOutput) {
    ConsoleHost host(clock, out, err, {.json = true});
    host.AppendLog("CHECKSUM OK");
    host.Print("sector 4: matches");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(host.Lines().size(), 2u);
}

TEST_F(ConsoleHostTest, BoxesBecomeErrorLinesAndTheReportMessage) {
    ConsoleHost host(clock, out, err, {});
    EXPECT_EQ(host.Message(), "");
    host.ShowMessageBox("Progam - Block not empty  ", "Error: 5", BoxIcon::Error);
    host.Error("second");
    EXPECT_EQ(err.str(), "brenvaldor: error: Progam - Block not empty  \nbrenvaldor: error: second\n");
    EXPECT_EQ(host.Message(), "Progam - Block not empty  \nsecond");
    host.Note("a note");
    EXPECT_EQ(host.Message(), "Progam - Block not empty  \nsecond"); // a note is no error
    EXPECT_EQ(out.str(), "");
}

TEST_F(ConsoleHostTest, EveryLineOfAnErrorCarriesThePrefix) {
    ConsoleHost host(clock, out, err, {});
    host.ShowMessageBox(
        "No answer from Brenvaldor\nController must be in 'Connect PC' mode \nand serial cable "
        "attached to Port P211",
        "Error: 1", BoxIcon::Error);
    EXPECT_EQ(err.str(), "brenvaldor: error: No answer from Brenvaldor\n"
                         "brenvaldor: error: Controller must be in 'Connect PC' mode \n"
                         "brenvaldor: error: and serial cable attached to Port P211\n");
    EXPECT_EQ(host.Message(),
              "No answer from Brenvaldor\nController must be in 'Connect PC' mode \nand serial "
              "cable attached to Port P211");
}

TEST_F(ConsoleHostTest, QuietLeavesTheResultAloneOnStandardOutput) {
    ConsoleHost host(clock, out, err, {.quiet = true});
    host.AppendLog("AUTODETECT SERIAL PORT");
    host.PrintDetail("sector 4 0x110000-0x11FFFF: matches");
    host.Print("COM5 /dev/ttyUSB0");
    host.Error("an error still shows");
    EXPECT_EQ(out.str(), "COM5 /dev/ttyUSB0\n");
    EXPECT_EQ(err.str(), "brenvaldor: error: an error still shows\n");
    EXPECT_EQ(host.Lines().size(), 3u) << "the report keeps them all";
}

TEST_F(ConsoleHostTest, APlainTerminalGetsNoEscapeSequences) {
    ConsoleHost host(clock, out, err, {.progress = true, .plainTerminal = true});
    host.UpdateProgress(0, 1);
    clock.advance(1000);
    host.UpdateProgress(50, 0);
    host.SetProgressRange(0, 29);
    host.SetProgressPos(5);
    host.AppendLog("COM5: NOT INSTALLED");
    const std::string drawn = "50%  Estimated time left: 0 min 2 sek";
    const std::string search = "port search: COM5 of 28";
    EXPECT_EQ(err.str(), "\r" + drawn + "\r" + search + std::string(drawn.size() - search.size(), ' ') +
                             "\r" + std::string(drawn.size(), ' ') + "\r");
}

TEST_F(ConsoleHostTest, DialogsAreAnsweredWithTheGivenPathAndOverwriteOnlyWithForce) {
    ConsoleHost host(clock, out, err, {});
    EXPECT_FALSE(host.AskOpenFileName({}).has_value());
    host.AnswerDialogsWith("/tmp/fw.hex");
    EXPECT_EQ(host.AskOpenFileName({}), "/tmp/fw.hex");
    EXPECT_EQ(host.AskSaveFileName({}), "/tmp/fw.hex");
    EXPECT_FALSE(host.ConfirmOverwrite("x"));
    host.AllowOverwrite(true);
    EXPECT_TRUE(host.ConfirmOverwrite("x"));
}

TEST_F(ConsoleHostTest, CtrlCIsTheClosingRequestAndIsNeverCleared) {
    ConsoleHost host(clock, out, err, {});
    EXPECT_FALSE(host.CloseRequested());
    host.PumpMessages(); // no request: nothing happens
    SetInterruptRequested(true);
    host.ClearCloseRequest();
    EXPECT_TRUE(host.CloseRequested());
    EXPECT_THROW(host.PumpMessages(), Interrupted);
}

TEST_F(ConsoleHostTest, AFixedWaitLastsItsTimeAndEndsAtCtrlC) {
    ConsoleHost host(clock, out, err, {});
    const std::uint32_t start = clock.nowMs();
    host.WaitPumping(1010);
    EXPECT_EQ(clock.nowMs() - start, 1010u);
    host.WaitPumping(1);
    EXPECT_EQ(clock.nowMs() - start, 1011u) << "the shortest wait is kept too";
    SetInterruptRequested(true);
    const std::uint32_t second = clock.nowMs();
    EXPECT_THROW(host.WaitPumping(1000), Interrupted);
    EXPECT_LT(clock.nowMs() - second, 1000u);
}

TEST_F(ConsoleHostTest, ProgressLineOnlyWhenAskedForAndClearedBeforeOutput) {
    {
        ConsoleHost quiet(clock, out, err, {});
        quiet.UpdateProgress(0, 1);
        quiet.UpdateProgress(50, 0);
        EXPECT_EQ(err.str(), "");
    }
    ConsoleHost host(clock, out, err, {.progress = true});
    host.UpdateProgress(0, 1);
    clock.advance(1000);
    host.UpdateProgress(50, 0);
    EXPECT_EQ(err.str(), "\r50%  Estimated time left: 0 min 2 sek\x1b[K");
    host.AppendLog("VERIFY CHECKSUM");
    EXPECT_EQ(err.str(), "\r50%  Estimated time left: 0 min 2 sek\x1b[K\r\x1b[K");
}

TEST_F(ConsoleHostTest, FramesPerSecondFromTheWritePhaseOn) {
    ConsoleHost host(clock, out, err, {.progress = true});
    host.CountFramesAfter("UPDATE PROGRAM", 2000);
    host.UpdateProgress(0, 1);
    clock.advance(500);
    host.UpdateProgress(50, 0); // erase phase: no rate
    EXPECT_EQ(err.str().find("frames/s"), std::string::npos);
    host.AppendLog("UPDATE PROGRAM");
    host.UpdateProgress(0, 1);
    clock.advance(2000);
    host.SetCounterText("R 1");
    host.UpdateProgress(10, 0); // 200 frames in 2 s
    EXPECT_NE(err.str().find("10%  Estimated time left: 0 min 19 sek  100 frames/s  R 1"), std::string::npos)
        << err.str();
    err.str("");
    host.UpdateProgress(0, 1); // the verification: frames no more
    clock.advance(100);
    host.UpdateProgress(50, 0);
    EXPECT_EQ(err.str(), "\r\x1b[K\r50%  Estimated time left: 0 min 1 sek  R 1\x1b[K");

    // An image of a single frame has its rate too.
    ConsoleHost single(clock, out, err, {.progress = true});
    single.CountFramesAfter("UPDATE PROGRAM", 1);
    single.AppendLog("UPDATE PROGRAM");
    single.UpdateProgress(0, 1);
    clock.advance(1000);
    err.str("");
    single.UpdateProgress(100, 0);
    EXPECT_NE(err.str().find("frames/s"), std::string::npos) << err.str();
}

TEST_F(ConsoleHostTest, ThePortSearchShowsThePortItProbes) {
    ConsoleHost quiet(clock, out, err, {});
    quiet.SetProgressRange(0, 29);
    quiet.SetProgressPos(5);
    EXPECT_EQ(err.str(), "");
    ConsoleHost host(clock, out, err, {.progress = true});
    host.SetProgressRange(0, 29);
    host.SetProgressPos(5);
    host.SetProgressPos(0);
    host.AppendLog("COM5: NOT INSTALLED"); // nothing left to erase
    EXPECT_EQ(err.str(), "\rport search: COM5 of 28\x1b[K\r\x1b[K");
}

} // namespace
} // namespace bf::cli
