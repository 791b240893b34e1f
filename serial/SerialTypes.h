#pragma once

namespace bf {

enum SerialParity { ParityEven = 0, ParityMark = 1, ParityNone = 2, ParityOdd = 3, ParitySpace = 4 };
enum SerialStopBits { StopBitsOne = 0, StopBitsOneHalf = 1, StopBitsTwo = 2 };
enum SerialFlowControl {
    FlowNone = 0,
    FlowCtsRts = 1,
    FlowCtsDtr = 2,
    FlowDsrRts = 3,
    FlowDsrDtr = 4,
    FlowXonXoff = 5
};

// Error codes the port search tells apart (Linux errno values are mapped onto them).
constexpr unsigned kErrorPortMissing = 2;    // no such device
constexpr unsigned kErrorPortBusy = 5;       // held by another program
constexpr unsigned kErrorPortBluetooth = 87; // an RFCOMM device that cannot be reached

} // namespace bf
