#include "link/PortSearch.h"
#include "tests/link/LinkFixture.h"

#include <string>

namespace bf::test {
namespace {

using Lines = std::vector<std::string>;

struct ResetTest : LinkFixture {
    ResetTest() {
        settings.m_bAutoPort = 0;
        settings.m_nBaudRate = 38400;
        host.AppendLog("OLD LINE");
    }
};

TEST_F(ResetTest, WithAutoOffUsesTheConfiguredPortAtNineThousandSixHundred) {
    settings.m_nPort = 1;
    ResetController(session);
    EXPECT_EQ(host.clears, 1);
    EXPECT_EQ(host.logSinceClear,
              (Lines{"OPEN SERIAL PORT COM1:38400", "BRENVALDOR RESTARTED", "SERIAL PORT CLOSED"}));
    EXPECT_EQ(port.written, Bytes{0xF8});
    ASSERT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(port.opens[0].baud, 9600u);
    EXPECT_EQ(model.restarts, 1u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(host.toolbar.empty());
    EXPECT_TRUE(host.progress.empty());
    EXPECT_TRUE(host.progressRanges.empty());
}

TEST_F(ResetTest, RestartIsLoggedWithoutAnyAnswer) {
    settings.m_nPort = 1;
    model.faults.silent = true;
    ResetController(session);
    EXPECT_EQ(host.logSinceClear.at(1), "BRENVALDOR RESTARTED");
    EXPECT_EQ(host.pumps, 0);
}

TEST_F(ResetTest, WithAutoOnAndNoAnswerStopsAfterTheSearch) {
    settings.m_bAutoPort = 1;
    port.SetOpenError(1, kErrorPortMissing);
    ResetController(session);
    ASSERT_EQ(host.logSinceClear.size(), 30u);
    EXPECT_EQ(host.logSinceClear.front(), "AUTODETECT SERIAL PORT");
    EXPECT_EQ(host.logSinceClear[1], "COM1: NOT INSTALLED");
    EXPECT_EQ(host.logSinceClear[28], "COM28: NOT INSTALLED");
    EXPECT_EQ(host.logSinceClear.back(), "AUTODETECT - NO ANSWER");
    EXPECT_TRUE(port.written.empty());
}

TEST_F(ResetTest, WithAutoOnRestartsTheFoundController) {
    settings.m_bAutoPort = 1;
    port.SetOpenError(1, kErrorPortBusy);
    sim::ControllerModel controller;
    port.AttachController(2, controller);
    ResetController(session);
    EXPECT_EQ(host.logSinceClear,
              (Lines{"AUTODETECT SERIAL PORT", "COM1: BUSY", "COM2: BRENVALDOR FOUND",
                     "OPEN SERIAL PORT COM2:38400", "BRENVALDOR RESTARTED", "SERIAL PORT CLOSED"}));
    EXPECT_EQ(controller.restarts, 1u);
}

TEST_F(ResetTest, BusyPortIsReportedAsNoAnswer) {
    settings.m_nPort = 4;
    port.SetOpenError(4, kErrorPortBusy);
    ResetController(session);
    EXPECT_EQ(host.logSinceClear, (Lines{"OPEN SERIAL PORT COM4:38400", "NO ANSWER FROM BRENVALDOR"}));
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(ResetTest, PortThatFailsAfterOpeningIsReportedAsNoAnswerAndClosed) {
    settings.m_nPort = 1;
    model.linkDropped = true; // the adapter is pulled right after the port opened
    EXPECT_EQ(ResetController(session).code, 9);
    EXPECT_EQ(host.logSinceClear, (Lines{"OPEN SERIAL PORT COM1:38400", "NO ANSWER FROM BRENVALDOR"}));
    EXPECT_EQ(port.opens.size(), 1u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(port.written.empty());
}

TEST_F(ResetTest, NoPortConfigured) {
    settings.m_nPort = 0;
    ResetController(session);
    EXPECT_EQ(host.logSinceClear, Lines{"AUTODETECT - NO ANSWER"});
    EXPECT_TRUE(port.opens.empty());
}

} // namespace
} // namespace bf::test
