#include "params/ParameterErase.h"
#include "tests/support/ControllerFixture.h"

#include <gmock/gmock.h>

namespace bf::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kNoAnswerText[] = "No answer from Brenvaldor\nController must be in 'Connect PC' mode \n"
                                 "and serial cable attached to Port P211";

class ParameterEraseTest : public ControllerFixture {
  protected:
    void Run() { EraseParameterBlocks(session); }

    void AnswerErasesWith(Bytes answer) {
        model.faults.replyOverride = [answer](const Bytes& c) -> std::optional<Bytes> {
            return c.size() == 2 && c[0] == 0xF2 ? std::optional<Bytes>(answer) : std::nullopt;
        };
    }
    void ExpectOneBox(const std::string& caption, const std::string& text) {
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].caption, caption);
        EXPECT_EQ(host.boxes[0].text, text);
        EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    }
};

TEST_F(ParameterEraseTest, ErasesBlocksOneToThreeAtTheHandshakeRate) {
    Run();

    EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "ERASE PARAMETER BLOCKS",
                                                "PARAMETER BLOCKS ERASED", "SERIAL PORT CLOSED"));
    EXPECT_THAT(model.erasedSectors, ElementsAre(1, 2, 3));
    EXPECT_THAT(host.Shown(), ElementsAre(-1, 33, 66, 100, -1));
    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_THAT(host.toolbar, IsEmpty());
    ASSERT_EQ(port.opens.size(), 1u);
    EXPECT_EQ(port.opens[0].baud, 9600u);
    EXPECT_EQ(port.written, (Bytes{0xF1, 0xF2, 0x01, 0xF2, 0x02, 0xF2, 0x03}));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(host.clears, 1);
}

TEST_F(ParameterEraseTest, AnySingleAnswerByteIsAccepted) {
    for (std::uint8_t answer : {0x00, 0xFF, 0x02}) {
        host.boxes.clear();
        AnswerErasesWith({answer});
        Run();
        EXPECT_THAT(host.boxes, IsEmpty()) << int(answer);
        EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "ERASE PARAMETER BLOCKS",
                                                    "PARAMETER BLOCKS ERASED", "SERIAL PORT CLOSED"));
    }
}

TEST_F(ParameterEraseTest, MoreThanOneByteGivesCode3EvenWhenItOverflowsTheBuffer) {
    for (std::size_t size : {2u, 65u, 500u}) {
        host.boxes.clear();
        AnswerErasesWith(Bytes(size, 0x02));
        Run();
        ExpectOneBox("Error: 3", "Progam - Wrong answer  ");
        EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "ERASE PARAMETER BLOCKS",
                                                    "SERIAL PORT CLOSED"));
        EXPECT_THAT(host.toolbar, IsEmpty());
        EXPECT_EQ(host.progress.back().reset, 1);
        EXPECT_FALSE(port.IsOpen());
    }
}

TEST_F(ParameterEraseTest, NoPortGivesOnlyTheCloseLineAndBox1) {
    settings.m_nPort = 0;
    Run();

    EXPECT_THAT(host.logSinceClear, ElementsAre("SERIAL PORT CLOSED"));
    ExpectOneBox("Error: 1", kNoAnswerText);
    EXPECT_THAT(port.opens, IsEmpty());
    EXPECT_THAT(host.toolbar, IsEmpty());
}

TEST_F(ParameterEraseTest, FailuresBeforeAndDuringTheErase) {
    model.faults.wrongByteOn[0xF1] = 0x02;
    Run();
    ExpectOneBox("Error: 2", "Wrong answer from Brenvaldor  ");

    host.boxes.clear();
    model.faults.wrongByteOn.clear();
    model.faults.silentOn.insert(0xF2);
    Run();
    ExpectOneBox("Error: 1", kNoAnswerText);
    EXPECT_EQ(model.erasedSectors.size(), 0u);

    host.boxes.clear();
    port.SetOpenError(1, 5);
    Run();
    ExpectOneBox("Error: 9", "Serial port busy or not found  ");
    EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "SERIAL PORT CLOSED"));
}

TEST_F(ParameterEraseTest, ClosingRequestEndsQuietly) {
    model.faults.silentOn.insert(0xF2);
    RequestCloseWhen([&] { return WrittenEndsWith({0xF2, 0x01}); });
    Run();

    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_THAT(host.logSinceClear, ElementsAre("OPEN SERIAL PORT COM1:38400", "ERASE PARAMETER BLOCKS"));
    EXPECT_EQ(port.written.size(), *closeAt);
    EXPECT_EQ(host.progress.back().reset, 1); // only the reset before the first block
    EXPECT_EQ(host.progress.size(), 1u);
}

TEST_F(ParameterEraseTest, PulledAdapterEndsSoundlyWithoutTouchingTheToolbar) {
    model.faults.answerDelayMs = 5;
    VanishWhen([&] { return model.erasedSectors.size() == 1; });
    Run();

    ASSERT_TRUE(vanished);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Error: 9");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_THAT(host.toolbar, IsEmpty());
    EXPECT_EQ(host.progress.back().reset, 1);
}

} // namespace
} // namespace bf::test
