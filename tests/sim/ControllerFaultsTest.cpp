#include "tests/sim/ModelDriver.h"

#include <gtest/gtest.h>

namespace bf::sim::test {
namespace {

TEST(ControllerFaults, SilenceIgnoresEverythingOrTheChosenCommands) {
    ModelDriver d;
    d.model.faults.silent = true;
    EXPECT_EQ(d.Send({0xF1, 0xFF, 0x01, 0xFB}), Bytes{});
    EXPECT_EQ(d.model.baudRate, 9600u) << "a command not heard is not carried out";

    d.model.faults.silent = false;
    d.model.faults.silentOn = {0xF2, 0x24};
    EXPECT_EQ(d.Send({0xF2, 0x01}), Bytes{});
    EXPECT_TRUE(d.model.erasedSectors.empty());
    EXPECT_EQ(d.Send({0xFF, 0x24}), Bytes{});
    EXPECT_EQ(d.Send({0xF1}), Bytes{0x01});
}

TEST(ControllerFaults, AnswersComeLate) {
    ModelDriver d;
    d.model.faults.answerDelayMs = 2500;
    d.Send({0xF1});
    ASSERT_EQ(d.outputs.size(), 1u);
    EXPECT_EQ(d.outputs[0].delayMs, 2500u);
}

TEST(ControllerFaults, WrongAndExtraBytes) {
    ModelDriver d;
    d.model.faults.wrongByteOn[0xF1] = 0x42;
    d.model.faults.extraBytesOn[0xFA] = 1;
    d.model.faults.extraBytesOn[0x01] = 2;
    EXPECT_EQ(d.Send({0xF1}), Bytes{0x42});
    EXPECT_EQ(d.Send({0xFA}), (Bytes{0x0A, 0x55}));
    EXPECT_EQ(d.Send({0xFF, 0x01}), (Bytes{0xFF, 0x02, 0x55, 0x55}));
}

TEST(ControllerFaults, FrameIsRefusedTheGivenNumberOfTimes) {
    ModelDriver d;
    d.model.faults.refuseFrame = 2;
    d.model.faults.refuseCode = 0x06;
    d.model.faults.refuseTimes = 3;
    const Bytes first = WriteFrame(0x100000, Filled(0x00));
    const Bytes second = WriteFrame(0x100020, Filled(0x00));
    EXPECT_EQ(d.Send(first), Bytes{0x03});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(d.Send(second), Bytes{0x06}) << "refusal " << i;
    EXPECT_EQ(d.model.flash[0x20], 0xFF);
    EXPECT_EQ(d.Send(second), Bytes{0x03});
    EXPECT_EQ(d.model.writeFrames, 5u);
    EXPECT_EQ(d.model.acceptedFrames, 2u);
}

TEST(ControllerFaults, NoiseGoesAheadOfEveryAnswer) {
    ModelDriver d;
    d.model.faults.noiseBytes = 3;
    const Bytes first = d.Send({0xF1});
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first.back(), 0x01);
    const Bytes second = d.Send({0xF1});
    ASSERT_EQ(second.size(), 4u);
    EXPECT_NE(Bytes(first.begin(), first.end() - 1), Bytes(second.begin(), second.end() - 1));
}

TEST(ControllerFaults, LinkDropsAfterTheGivenNumberOfFrames) {
    ModelDriver d;
    d.model.faults.dropAfterFrames = 2;
    EXPECT_EQ(d.Send(WriteFrame(0x100000, Filled(0x00))), Bytes{0x03});
    EXPECT_FALSE(d.model.linkDropped);
    EXPECT_EQ(d.Send(WriteFrame(0x100020, Filled(0x00))), Bytes{0x03});
    EXPECT_TRUE(d.model.linkDropped);
    EXPECT_EQ(d.Send({0xF1}), Bytes{});
}

TEST(ControllerFaults, StreamRunsOneBytePerMillisecondAndIgnoresCommands) {
    ModelDriver d;
    d.model.faults.stream = true;
    std::vector<Output> out;
    d.model.Idle(1000, out);
    d.model.Idle(1010, out);
    std::size_t total = 0;
    for (const Output& o : out)
        total += o.bytes.size();
    EXPECT_EQ(total, 11u);
    EXPECT_NE(out.at(0).bytes.at(0), 0x01);
    EXPECT_EQ(d.Send({0xF1}), Bytes{});

    out.clear();
    d.model.Idle(100000, out); // a long pause does not build up a huge burst
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].bytes.size(), 1u);
}

TEST(ControllerFaults, OverrideReplacesTheAnswerAndSkipsTheCommand) {
    ModelDriver d;
    std::vector<Bytes> seen;
    d.model.faults.replyOverride = [&](const Bytes& command) -> std::optional<Bytes> {
        seen.push_back(command);
        if (command[0] == 0xF2)
            return Bytes{0x00, 0x00};
        return std::nullopt;
    };
    EXPECT_EQ(d.Send({0xF2, 0x03}), (Bytes{0x00, 0x00}));
    EXPECT_TRUE(d.model.erasedSectors.empty());
    EXPECT_EQ(d.Send({0xFF, 0x01}), (Bytes{0xFF, 0x02}));
    EXPECT_EQ(seen, (std::vector<Bytes>{{0xF2, 0x03}, {0xFF, 0x01}}));
}

} // namespace
} // namespace bf::sim::test
