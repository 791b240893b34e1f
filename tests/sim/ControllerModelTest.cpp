#include "tests/sim/ModelDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace bf::sim::test {
namespace {

TEST(ControllerModelCommands, HandshakeRateSwitchAndRestart) {
    ModelDriver d;
    EXPECT_EQ(d.Send({0xF1}), Bytes{0x01});

    EXPECT_EQ(d.Send({0xFB}), Bytes{0x0B});
    EXPECT_EQ(d.outputs.at(0).baud, 9600u) << "the confirmation goes out at the old rate";
    EXPECT_EQ(d.model.baudRate, 38400u);
    EXPECT_EQ(d.Send({0xFD}), Bytes{0x0D});
    EXPECT_EQ(d.outputs.at(0).baud, 38400u);
    EXPECT_EQ(d.model.baudRate, 57600u);
    EXPECT_EQ(d.Send({0xF9}), Bytes{0x09});
    EXPECT_EQ(d.model.baudRate, 9600u);
    EXPECT_EQ(d.Send({0xFA}), Bytes{0x0A});

    EXPECT_EQ(d.Send({0xF8}), Bytes{}) << "a restart is not answered";
    EXPECT_EQ(d.model.restarts, 1u);
    EXPECT_EQ(d.model.baudRate, 9600u);
}

TEST(ControllerModelCommands, BytesOutsideTheVocabularyAreIgnored) {
    ModelDriver d;
    EXPECT_EQ(d.Send({0x00, 0x41, 0xF0, 0xFE, 0x0D}), Bytes{});
    EXPECT_EQ(d.Send({0xF1}), Bytes{0x01});
}

TEST(ControllerModelFlash, WriteFrameIsStoredAndAnswered03) {
    ModelDriver d;
    std::array<std::uint8_t, 32> data;
    for (int i = 0; i < 32; ++i)
        data[i] = static_cast<std::uint8_t>(i * 7);
    EXPECT_EQ(d.Send(WriteFrame(0x104000, data)), Bytes{0x03});
    EXPECT_TRUE(std::equal(data.begin(), data.end(), d.model.flash.begin() + 0x4000));
    EXPECT_EQ(d.model.flash[0x3FFF], 0xFF);
    EXPECT_EQ(d.model.flash[0x4020], 0xFF);
    EXPECT_EQ(d.model.writeFrames, 1u);
    EXPECT_EQ(d.model.acceptedFrames, 1u);
}

TEST(ControllerModelFlash, FrameChecksQuoteTheRightRefusal) {
    ModelDriver d;
    Bytes bad = WriteFrame(0x100000, Filled(0x12));
    bad.back() ^= 1;
    EXPECT_EQ(d.Send(bad), Bytes{0x04});

    EXPECT_EQ(d.Send(WriteFrame(0x100000, Filled(0xF0))), Bytes{0x03});
    EXPECT_EQ(d.Send(WriteFrame(0x100000, Filled(0x30))), Bytes{0x03}) << "clearing further bits is allowed";
    EXPECT_EQ(d.Send(WriteFrame(0x100000, Filled(0x31))), Bytes{0x05}) << "a 0 bit cannot become 1";
    EXPECT_EQ(d.model.flash[0], 0x30);

    EXPECT_EQ(d.Send(WriteFrame(0x0FFFE0, Filled(0x00))), Bytes{0x06});
    EXPECT_EQ(d.Send(WriteFrame(0x200000, Filled(0x00))), Bytes{0x06});
    EXPECT_EQ(d.model.writeFrames, 6u);
    EXPECT_EQ(d.model.acceptedFrames, 2u);
}

TEST(ControllerModelFlash, FrameRunningIntoThePaddingNeedsBlankBytesThere) {
    ModelDriver d;
    auto data = Filled(0xFF);
    data[0] = 0x11;
    data[1] = 0x22;
    EXPECT_EQ(d.Send(WriteFrame(0x1FFFFE, data)), Bytes{0x03});
    EXPECT_EQ(d.model.flash[0xFFFFE], 0x11);
    EXPECT_EQ(d.model.flash[0xFFFFF], 0x22);
    data[2] = 0x33; // lands on 0x200000
    EXPECT_EQ(d.Send(WriteFrame(0x1FFFFE, data)), Bytes{0x06});
}

TEST(ControllerModelFlash, EraseBlanksExactlyTheSector) {
    ModelDriver d;
    std::fill(d.model.flash.begin(), d.model.flash.end(), 0x00);
    EXPECT_EQ(d.Send({0xF2, 0x02}).size(), 1u);
    EXPECT_EQ(d.model.flash[0x5FFF], 0x00);
    EXPECT_EQ(d.model.flash[0x6000], 0xFF);
    EXPECT_EQ(d.model.flash[0x7FFF], 0xFF);
    EXPECT_EQ(d.model.flash[0x8000], 0x00);
    EXPECT_EQ(d.Send({0xF2, 18}).size(), 1u);
    EXPECT_EQ(d.model.flash[0xEFFFF], 0x00);
    EXPECT_EQ(d.model.flash[0xF0000], 0xFF);
    EXPECT_EQ(d.model.flash[0xFFFFF], 0xFF);
    EXPECT_EQ(d.Send({0xF2, 19}).size(), 1u) << "an unknown sector is still answered";
    EXPECT_EQ(d.model.erasedSectors, (std::vector<int>{2, 18}));
}

TEST(ControllerModelFlash, ChecksumReportSumsBigEndianWordsInverted) {
    ModelDriver d;
    // Sector 4 (offset 0x10000): one word 0x0102 and the rest 0xFFFF.
    d.model.flash[0x10000] = 0x01;
    d.model.flash[0x10001] = 0x02;
    const Bytes report = d.Send({0xF7});
    ASSERT_EQ(report.size(), 29u);
    EXPECT_EQ(report[0], 0x07);
    const std::uint16_t sum4 = static_cast<std::uint16_t>(0x0102 + 32767u * 0xFFFF);
    EXPECT_EQ(report[1] << 8 | report[2], static_cast<std::uint16_t>(~sum4));
    const std::uint16_t blank = static_cast<std::uint16_t>(~static_cast<std::uint16_t>(32768u * 0xFFFF));
    EXPECT_EQ(report[27] << 8 | report[28], blank);
    EXPECT_EQ(d.model.SectorChecksum(17), blank);
    EXPECT_EQ(d.model.SectorChecksum(18), 0);
}

TEST(ControllerModelFlash, ReadBackSendsThePacketsThenTheEndMessage) {
    ModelDriver d;
    for (std::uint32_t i = 0; i < 0x2000; ++i)
        d.model.flash[0x4000 + i] = static_cast<std::uint8_t>(i);
    const Bytes stream = d.Send({0xFC, 0x01});
    ASSERT_EQ(stream.size(), 256u * 37 + 1);
    EXPECT_EQ(stream.back(), 0x0C);
    const std::uint8_t* second = stream.data() + 37;
    EXPECT_EQ(second[1] << 16 | second[2] << 8 | second[3], 0x104020);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(second[4 + i], static_cast<std::uint8_t>(0x20 + i));
    unsigned sum = 0;
    for (int i = 1; i < 36; ++i)
        sum += second[i];
    EXPECT_EQ(second[36], static_cast<std::uint8_t>(~sum));

    EXPECT_EQ(d.Send({0xFC, 18}).size(), 2048u * 37 + 1);
    EXPECT_EQ(d.Send({0xFC, 40}), Bytes{0x0C});
}

TEST(ControllerModelFlash, PartialCommandIsForgottenAfterAGap) {
    ModelDriver d;
    EXPECT_EQ(d.Send({0xF3}), Bytes{}); // a lone resynchronising F3
    d.now += ControllerModel::kCommandGapMs + 1;
    EXPECT_EQ(d.Send(WriteFrame(0x100000, Filled(0x00))), Bytes{0x03});

    EXPECT_EQ(d.Send({0xF2}), Bytes{});
    d.now += ControllerModel::kCommandGapMs; // not yet a gap
    EXPECT_EQ(d.Send({0x01}).size(), 1u);
    EXPECT_EQ(d.model.erasedSectors, std::vector<int>{1});
}

TEST(ControllerModelFlash, CommandSplitOverSeveralReceivesIsAssembled) {
    ModelDriver d;
    const Bytes frame = WriteFrame(0x100100, Filled(0xA5));
    EXPECT_EQ(d.Send(Bytes(frame.begin(), frame.begin() + 10)), Bytes{});
    d.now += 5;
    EXPECT_EQ(d.Send(Bytes(frame.begin() + 10, frame.end())), Bytes{0x03});
}

TEST(ControllerModelEscape, PairsAreAcknowledgedAndSwitchThePrintout) {
    ModelDriver d;
    EXPECT_EQ(d.Send({0xFF, 0x01}), (Bytes{0xFF, 0x02}));
    EXPECT_EQ(d.Send({0xFF, 0x21}), (Bytes{0xFF, 0x02}));
    EXPECT_FALSE(d.model.printoutOn);
    EXPECT_EQ(d.Send({0xFF, 0x20}), (Bytes{0xFF, 0x02}));
    EXPECT_TRUE(d.model.printoutOn);
    EXPECT_EQ(d.Send({0xFF, 0xFF, 0x01}), (Bytes{0xFF, 0x02}))
        << "a doubled escape byte starts the pair anew";
}

TEST(ControllerModelEscape, ParameterPrintoutIsFramed) {
    ModelDriver d;
    d.model.parameterPrintout = "A=1\r\nB=2\r\n";
    const Bytes expected{0xFF, 0x23, 'A', '=', '1', '\r', '\n', 'B', '=', '2', '\r', '\n', 0xFF, 0x04};
    EXPECT_EQ(d.Send({0xFF, 0x24}), expected);
}

TEST(ControllerModelEscape, DefaultPrintoutHasSeveralDozenLines) {
    ControllerModel model;
    const auto lines = std::count(model.parameterPrintout.begin(), model.parameterPrintout.end(), '\r');
    EXPECT_GE(lines, 24);
    EXPECT_EQ(model.parameterPrintout.find('\xFF'), std::string::npos);
}

TEST(ControllerModelEscape, TextsFromThePcEndAtTheNextEscape) {
    ModelDriver d;
    const std::string clock = "time=1700000000\r";
    const std::string line = "FLOORS=9\r\n";
    Bytes bytes{0xFF, 0x23};
    bytes.insert(bytes.end(), clock.begin(), clock.end());
    bytes.insert(bytes.end(), {0xFF, 0x23});
    bytes.insert(bytes.end(), line.begin(), line.end());
    EXPECT_EQ(d.Send(bytes), Bytes{});
    EXPECT_EQ(d.model.receivedTexts, std::vector<std::string>{clock});
    d.now += 1000; // texts are not cut by a pause
    EXPECT_EQ(d.Send({0xFF, 0x04, 0xFF, 0x20}), (Bytes{0xFF, 0x02}));
    EXPECT_EQ(d.model.receivedTexts, (std::vector<std::string>{clock, line}));
    EXPECT_EQ(d.model.clockValue, 1700000000);
}

TEST(ControllerModelEscape, WhatComesWhileATextIsStoredIsLost) {
    ModelDriver d;
    d.model.faults.storeMs = 100;
    const auto text = [](const std::string& t) {
        Bytes bytes{0xFF, 0x23};
        bytes.insert(bytes.end(), t.begin(), t.end());
        return bytes;
    };
    d.Send(text("A=1\r\n"));
    d.now += 99; // the next escape while A=1 is still being stored: that line is lost
    d.Send(text("B=2\r\n"));
    d.now += 1; // stored: the controller listens again
    d.Send(text("C=3\r\n"));
    d.now += 100; // a full store time after the last byte: in time
    d.Send(text("D=4\r\n"));
    d.now += 100;
    EXPECT_EQ(d.Send({0xFF, 0x04, 0xFF, 0x20}), (Bytes{0xFF, 0x02}));
    EXPECT_EQ(d.model.receivedTexts, (std::vector<std::string>{"A=1\r\n", "C=3\r\n", "D=4\r\n"}));
}

TEST(ControllerModelEscape, OnlyAWellFormedClockTextSetsTheClock) {
    ModelDriver d;
    for (std::string text : {"time=12x\r", "time=\r", "time=5", "xtime=5\r"}) {
        Bytes bytes{0xFF, 0x23};
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.insert(bytes.end(), {0xFF, 0x04});
        d.Send(bytes);
    }
    EXPECT_FALSE(d.model.clockValue.has_value());
    EXPECT_EQ(d.model.receivedTexts.size(), 4u);
    d.Send({0xFF, 0x23, 't', 'i', 'm', 'e', '=', '-', '7', '\r', 0xFF, 0x04});
    EXPECT_EQ(d.model.clockValue, -7);
}

} // namespace
} // namespace bf::sim::test
