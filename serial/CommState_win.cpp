#include "serial/CommState_win.h"

namespace bf {

namespace {

constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
constexpr WORD kXonXoffLimit = 100;

// Parity and stop bits; a value outside its table keeps what the device had.
void SetFraming(DCB& dcb, SerialParity parity, SerialStopBits stopBits) {
    switch (parity) {
    case ParityEven:
        dcb.Parity = EVENPARITY;
        break;
    case ParityMark:
        dcb.Parity = MARKPARITY;
        break;
    case ParityNone:
        dcb.Parity = NOPARITY;
        break;
    case ParityOdd:
        dcb.Parity = ODDPARITY;
        break;
    case ParitySpace:
        dcb.Parity = SPACEPARITY;
        break;
    }
    switch (stopBits) {
    case StopBitsOne:
        dcb.StopBits = ONESTOPBIT;
        break;
    case StopBitsOneHalf:
        dcb.StopBits = ONE5STOPBITS;
        break;
    case StopBitsTwo:
        dcb.StopBits = TWOSTOPBITS;
        break;
    }
}

// The handshake fields of each flow-control choice. FlowNone leaves DTR and RTS control as they
// were; a value outside the table leaves all of them.
void SetFlow(DCB& dcb, SerialFlowControl flow) {
    if (flow < FlowNone || flow > FlowXonXoff)
        return;
    dcb.fOutxCtsFlow = flow == FlowCtsRts || flow == FlowCtsDtr;
    dcb.fOutxDsrFlow = flow == FlowDsrRts || flow == FlowDsrDtr;
    dcb.fOutX = flow == FlowXonXoff;
    dcb.fInX = flow == FlowXonXoff;
    if (flow == FlowCtsRts || flow == FlowDsrRts)
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    if (flow == FlowCtsDtr || flow == FlowDsrDtr)
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    if (flow == FlowXonXoff) {
        dcb.XonChar = kXon;
        dcb.XoffChar = kXoff;
        dcb.XonLim = kXonXoffLimit;
        dcb.XoffLim = kXonXoffLimit;
    }
}

} // namespace

void SetLineSettings(DCB& dcb, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
                     SerialStopBits stopBits, SerialFlowControl flow) {
    dcb.BaudRate = baud;
    dcb.ByteSize = dataBits;
    SetFraming(dcb, parity, stopBits);
    dcb.fDsrSensitivity = 0;
    SetFlow(dcb, flow);
}

} // namespace bf
