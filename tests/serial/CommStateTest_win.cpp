#include "serial/CommState_win.h"

#include <gtest/gtest.h>

namespace bf {
namespace {

// A block as a device might report it, with every field that Open must keep set to a mark.
DCB Found() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 1200;
    dcb.ByteSize = 7;
    dcb.Parity = MARKPARITY;
    dcb.StopBits = ONE5STOPBITS;
    dcb.fParity = 1;
    dcb.fAbortOnError = 1;
    dcb.fDsrSensitivity = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 1;
    dcb.fOutX = 1;
    dcb.fInX = 1;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_TOGGLE;
    dcb.XonChar = 'a';
    dcb.XoffChar = 'b';
    dcb.XonLim = 7;
    dcb.XoffLim = 8;
    return dcb;
}

TEST(CommStateTest, RateDataBitsParityAndStopBitsFollowTheirTables) {
    struct Case {
        SerialParity parity;
        BYTE dcbParity;
        SerialStopBits stopBits;
        BYTE dcbStopBits;
    };
    for (const Case& c :
         {Case{ParityEven, EVENPARITY, StopBitsOne, ONESTOPBIT},
          Case{ParityMark, MARKPARITY, StopBitsOneHalf, ONE5STOPBITS},
          Case{ParityNone, NOPARITY, StopBitsTwo, TWOSTOPBITS},
          Case{ParityOdd, ODDPARITY, StopBitsTwo, TWOSTOPBITS},
          Case{ParitySpace, SPACEPARITY, StopBitsOne, ONESTOPBIT},
          Case{static_cast<SerialParity>(5), MARKPARITY, static_cast<SerialStopBits>(3), ONE5STOPBITS}}) {
        DCB dcb = Found();
        SetLineSettings(dcb, 57600, c.parity, 8, c.stopBits, FlowNone);
        EXPECT_EQ(dcb.BaudRate, 57600u);
        EXPECT_EQ(dcb.ByteSize, 8);
        EXPECT_EQ(dcb.Parity, c.dcbParity) << "parity " << c.parity;
        EXPECT_EQ(dcb.StopBits, c.dcbStopBits) << "stop bits " << c.stopBits;
        EXPECT_EQ(dcb.fParity, 1u) << "the parity check stays as the device had it";
        EXPECT_EQ(dcb.fAbortOnError, 1u);
        EXPECT_EQ(dcb.fDsrSensitivity, 0u);
    }
}

TEST(CommStateTest, EachFlowControlChoiceSetsItsRow) {
    struct Row {
        SerialFlowControl flow;
        DWORD cts, dsr, outX, inX, dtr, rts;
    };
    constexpr DWORD kDtrFound = DTR_CONTROL_ENABLE;
    constexpr DWORD kRtsFound = RTS_CONTROL_TOGGLE;
    for (const Row& r : {Row{FlowNone, 0, 0, 0, 0, kDtrFound, kRtsFound},
                         Row{FlowCtsRts, 1, 0, 0, 0, kDtrFound, RTS_CONTROL_HANDSHAKE},
                         Row{FlowCtsDtr, 1, 0, 0, 0, DTR_CONTROL_HANDSHAKE, kRtsFound},
                         Row{FlowDsrRts, 0, 1, 0, 0, kDtrFound, RTS_CONTROL_HANDSHAKE},
                         Row{FlowDsrDtr, 0, 1, 0, 0, DTR_CONTROL_HANDSHAKE, kRtsFound},
                         Row{FlowXonXoff, 0, 0, 1, 1, kDtrFound, kRtsFound}}) {
        DCB dcb = Found();
        SetLineSettings(dcb, 9600, ParityNone, 8, StopBitsTwo, r.flow);
        EXPECT_EQ(dcb.fOutxCtsFlow, r.cts) << "flow " << r.flow;
        EXPECT_EQ(dcb.fOutxDsrFlow, r.dsr) << "flow " << r.flow;
        EXPECT_EQ(dcb.fOutX, r.outX) << "flow " << r.flow;
        EXPECT_EQ(dcb.fInX, r.inX) << "flow " << r.flow;
        EXPECT_EQ(dcb.fDtrControl, r.dtr) << "flow " << r.flow;
        EXPECT_EQ(dcb.fRtsControl, r.rts) << "flow " << r.flow;
        const bool xonXoff = r.flow == FlowXonXoff;
        EXPECT_EQ(dcb.XonChar, xonXoff ? 0x11 : 'a') << "flow " << r.flow;
        EXPECT_EQ(dcb.XoffChar, xonXoff ? 0x13 : 'b') << "flow " << r.flow;
        EXPECT_EQ(dcb.XonLim, xonXoff ? 100 : 7) << "flow " << r.flow;
        EXPECT_EQ(dcb.XoffLim, xonXoff ? 100 : 8) << "flow " << r.flow;
    }
}

TEST(CommStateTest, AFlowChoiceOutsideTheTableKeepsTheHandshakeButNotDsrSensitivity) {
    DCB dcb = Found();
    SetLineSettings(dcb, 9600, ParityNone, 8, StopBitsTwo, static_cast<SerialFlowControl>(6));
    EXPECT_EQ(dcb.fOutxCtsFlow, 1u);
    EXPECT_EQ(dcb.fOutxDsrFlow, 1u);
    EXPECT_EQ(dcb.fOutX, 1u);
    EXPECT_EQ(dcb.fInX, 1u);
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_TOGGLE));
    EXPECT_EQ(dcb.XonChar, 'a');
    EXPECT_EQ(dcb.fDsrSensitivity, 0u);
}

} // namespace
} // namespace bf
