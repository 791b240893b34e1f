#include "sim/ControllerModel.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

namespace bf::sim {

namespace {

constexpr std::uint8_t kEscape = 0xFF;
constexpr std::uint8_t kHandshake = 0xF1;
constexpr std::uint8_t kErase = 0xF2;
constexpr std::uint8_t kWrite = 0xF3;
constexpr std::uint8_t kChecksums = 0xF7;
constexpr std::uint8_t kRestart = 0xF8;
constexpr std::uint8_t kReadBlock = 0xFC;
constexpr std::uint8_t kFirstCommand = 0xF1;
constexpr std::uint8_t kLastCommand = 0xFD;

constexpr std::uint8_t kWritten = 0x03;
constexpr std::uint8_t kBadChecksum = 0x04;
constexpr std::uint8_t kNotEmpty = 0x05;
constexpr std::uint8_t kOutOfBounds = 0x06;
constexpr std::uint8_t kErased = 0x02;
constexpr std::uint8_t kPacketMark = 0xFC;
constexpr std::uint8_t kBlockEnd = 0x0C;
constexpr std::uint8_t kExtraByte = 0x55;

constexpr std::uint8_t kEscHello = 0x01;
constexpr std::uint8_t kEscAck = 0x02;
constexpr std::uint8_t kEscTextEnd = 0x04;
constexpr std::uint8_t kEscPrintoutOn = 0x20;
constexpr std::uint8_t kEscPrintoutOff = 0x21;
constexpr std::uint8_t kEscText = 0x23;
constexpr std::uint8_t kEscReadParameters = 0x24;

constexpr std::size_t kFrameLength = 37;
constexpr std::size_t kFrameData = 32;
constexpr std::uint32_t kStreamBurstLimit = 256; // bytes per Idle call at most

constexpr char kTimePrefix[] = "time=";
constexpr char kStreamText[] = "LIFT 1 FLOOR 03 DOOR OPEN\r\n";

constexpr char kDefaultPrintout[] = "CONTROLLER=BRENVALDOR\r\n"
                                    "SOFTWARE=4.12\r\n"
                                    "FLOORS=8\r\n"
                                    "BOTTOM_FLOOR=0\r\n"
                                    "MAIN_FLOOR=0\r\n"
                                    "FLOOR_NAMES=0,1,2,3,4,5,6,7\r\n"
                                    "DRIVE=VVVF\r\n"
                                    "NOMINAL_SPEED=1.00\r\n"
                                    "INSPECTION_SPEED=0.30\r\n"
                                    "LEVELLING_SPEED=0.05\r\n"
                                    "ACCELERATION=0.60\r\n"
                                    "DECELERATION=0.60\r\n"
                                    "DOOR_TYPE=AUTOMATIC\r\n"
                                    "DOOR_OPEN_TIME=4.0\r\n"
                                    "DOOR_CLOSE_TIMEOUT=15\r\n"
                                    "DOOR_REOPEN=ON\r\n"
                                    "PARKING_FLOOR=0\r\n"
                                    "PARKING_DELAY=60\r\n"
                                    "FIRE_FLOOR=0\r\n"
                                    "FIRE_MODE=RETURN\r\n"
                                    "COLLECTIVE=DOWN\r\n"
                                    "CAR_CALLS_MAX=8\r\n"
                                    "LOAD_WEIGHING=ON\r\n"
                                    "OVERLOAD=110\r\n"
                                    "FULL_LOAD=80\r\n"
                                    "LIGHT_OFF_DELAY=300\r\n"
                                    "FAN_OFF_DELAY=120\r\n"
                                    "TRAVEL_TIME_LIMIT=45\r\n"
                                    "START_DELAY=0.5\r\n"
                                    "BRAKE_DELAY=0.3\r\n"
                                    "PHASE_CHECK=ON\r\n"
                                    "MOTOR_THERMISTOR=ON\r\n"
                                    "SERVICE_COUNTER=0\r\n"
                                    "LANGUAGE=EN\r\n"
                                    "DISPLAY_OFFSET=0\r\n"
                                    "ARRIVAL_GONG=ON\r\n";

// Length of a connect-mode command with its argument bytes.
std::size_t CommandLength(std::uint8_t command) {
    switch (command) {
    case kErase:
    case kReadBlock:
        return 2;
    case kWrite:
        return kFrameLength;
    default:
        return 1;
    }
}

std::uint32_t RateOf(std::uint8_t command) {
    switch (command) {
    case 0xF9:
        return 9600;
    case 0xFA:
        return 19200;
    case 0xFB:
        return 38400;
    case 0xFD:
        return 57600;
    default:
        return 0;
    }
}

// Ones' complement of the low 8 bits of the sum of bytes 1 to 35 of a 37-byte frame or packet.
std::uint8_t FrameChecksum(const std::uint8_t* frame) {
    unsigned sum = 0;
    for (std::size_t i = 1; i < kFrameLength - 1; ++i)
        sum += frame[i];
    return static_cast<std::uint8_t>(~sum);
}

} // namespace

ControllerModel::ControllerModel() : flash(kFlashSize, 0xFF), parameterPrintout(kDefaultPrintout) {}

ControllerModel::SectorSpan ControllerModel::Sector(int sector) {
    switch (sector) {
    case 0:
        return {0x00000, 0x4000};
    case 1:
        return {0x04000, 0x2000};
    case 2:
        return {0x06000, 0x2000};
    case 3:
        return {0x08000, 0x8000};
    default:
        if (sector >= 4 && sector < kSectorCount)
            return {static_cast<std::uint32_t>(sector - 3) * 0x10000, 0x10000};
        return {};
    }
}

std::uint16_t ControllerModel::SectorChecksum(int sector) const {
    if (sector < 4 || sector > 17)
        return 0;
    const SectorSpan span = Sector(sector);
    std::uint16_t sum = 0;
    for (std::uint32_t i = 0; i < span.size; i += 2)
        sum = static_cast<std::uint16_t>(sum + (flash[span.offset + i] << 8 | flash[span.offset + i + 1]));
    return static_cast<std::uint16_t>(~sum);
}

void ControllerModel::Receive(const std::uint8_t* data, std::size_t count, std::uint32_t nowMs,
                              std::vector<Output>& out) {
    for (std::size_t i = 0; i < count; ++i)
        Take(data[i], nowMs, out);
}

void ControllerModel::Take(std::uint8_t byte, std::uint32_t nowMs, std::vector<Output>& out) {
    if (linkDropped || faults.stream || Storing(nowMs))
        return;
    const std::uint32_t previousByteMs = m_lastByteMs;
    const bool partial = m_mode == Mode::Command || m_mode == Mode::Escape;
    if (partial && nowMs - m_lastByteMs > kCommandGapMs)
        m_mode = Mode::Idle;
    m_lastByteMs = nowMs;

    switch (m_mode) {
    case Mode::Idle:
        TakeIdle(byte, out);
        break;
    case Mode::Command:
        m_command.push_back(byte);
        if (m_command.size() == m_commandLength) {
            m_mode = Mode::Idle;
            Complete(out);
        }
        break;
    case Mode::Escape:
        if (byte == kEscape)
            break; // a repeated escape byte starts the pair again
        m_command = {kEscape, byte};
        m_mode = Mode::Idle;
        Complete(out);
        break;
    case Mode::Text:
        TakeText(byte, previousByteMs);
        break;
    }
}

bool ControllerModel::Storing(std::uint32_t nowMs) {
    if (m_storedAtMs && static_cast<std::int32_t>(nowMs - *m_storedAtMs) < 0)
        return true;
    m_storedAtMs.reset();
    return false;
}

void ControllerModel::TakeIdle(std::uint8_t byte, std::vector<Output>& out) {
    if (byte == kEscape) {
        m_mode = Mode::Escape;
        return;
    }
    if (byte < kFirstCommand || byte > kLastCommand)
        return; // not a command: the controller ignores it
    m_command = {byte};
    m_commandLength = CommandLength(byte);
    if (m_commandLength == 1) {
        Complete(out);
        return;
    }
    m_mode = Mode::Command;
}

// The escape that follows a text ends it. If it came before the text could be stored, the
// controller was still busy storing: the escape is lost, and so is all until the store is done.
void ControllerModel::TakeText(std::uint8_t byte, std::uint32_t previousByteMs) {
    if (byte == kEscape) {
        FinishText();
        m_mode = Mode::Escape;
        if (faults.storeMs != 0 && m_lastByteMs - previousByteMs < faults.storeMs) {
            m_storedAtMs = previousByteMs + faults.storeMs;
            m_mode = Mode::Idle;
        }
        return;
    }
    m_text.push_back(static_cast<char>(byte));
}

void ControllerModel::FinishText() {
    const std::string_view prefix = kTimePrefix;
    if (m_text.size() > prefix.size() && m_text.compare(0, prefix.size(), prefix) == 0 &&
        m_text.back() == '\r') {
        std::int32_t value = 0;
        const char* first = m_text.data() + prefix.size();
        const char* last = m_text.data() + m_text.size() - 1;
        const auto result = std::from_chars(first, last, value);
        if (result.ec == std::errc() && result.ptr == last)
            clockValue = value;
    }
    receivedTexts.push_back(std::move(m_text));
    m_text.clear();
}

void ControllerModel::Complete(std::vector<Output>& out) {
    const std::uint8_t key = m_command[0] == kEscape ? m_command[1] : m_command[0];
    if (faults.silent || faults.silentOn.count(key))
        return;                          // the controller did not hear it
    const std::uint32_t rate = baudRate; // a rate switch is confirmed at the old rate
    if (faults.replyOverride) {
        if (auto reply = faults.replyOverride(m_command)) {
            out.push_back({faults.answerDelayMs, std::move(*reply), rate});
            return;
        }
    }
    bool answer = true;
    std::vector<std::uint8_t> reply = Execute(m_command, answer);
    if (!answer)
        return;
    Answer(key, std::move(reply), rate, out);
}

void ControllerModel::Answer(std::uint8_t key, std::vector<std::uint8_t> reply, std::uint32_t rate,
                             std::vector<Output>& out) {
    if (auto wrong = faults.wrongByteOn.find(key); wrong != faults.wrongByteOn.end() && !reply.empty())
        reply[0] = wrong->second;
    if (auto extra = faults.extraBytesOn.find(key); extra != faults.extraBytesOn.end())
        reply.insert(reply.end(), extra->second, kExtraByte);
    Output output{faults.answerDelayMs, {}, rate};
    for (std::size_t i = 0; i < faults.noiseBytes; ++i)
        output.bytes.push_back(NoiseByte());
    output.bytes.insert(output.bytes.end(), reply.begin(), reply.end());
    out.push_back(std::move(output));
}

std::vector<std::uint8_t> ControllerModel::Execute(const std::vector<std::uint8_t>& command, bool& answer) {
    const std::uint8_t code = command[0];
    if (code == kEscape)
        return ExecuteEscape(command[1], answer);
    if (const std::uint32_t rate = RateOf(code)) {
        baudRate = rate;
        return {static_cast<std::uint8_t>(code - 0xF0)};
    }
    switch (code) {
    case kHandshake:
        return {0x01};
    case kErase:
        return Erase(command[1]);
    case kWrite: {
        const std::uint8_t result = WriteFrame(command);
        if (faults.dropAfterFrames && writeFrames >= faults.dropAfterFrames)
            linkDropped = true;
        return {result};
    }
    case kChecksums:
        return ChecksumReport();
    case kReadBlock:
        return ReadBack(command[1]);
    case kRestart:
        ++restarts;
        baudRate = 9600;
        break;
    default:
        break;
    }
    answer = false;
    return {};
}

std::vector<std::uint8_t> ControllerModel::ExecuteEscape(std::uint8_t code, bool& answer) {
    switch (code) {
    case kEscHello:
        return {kEscape, kEscAck};
    case kEscPrintoutOff:
        printoutOn = false;
        return {kEscape, kEscAck};
    case kEscPrintoutOn:
        printoutOn = true;
        return {kEscape, kEscAck};
    case kEscReadParameters:
        return Printout();
    case kEscText:
        m_mode = Mode::Text;
        m_text.clear();
        break;
    default: // FF 04 and unknown codes: nothing to answer
        break;
    }
    answer = false;
    return {};
}

std::uint8_t ControllerModel::WriteFrame(const std::vector<std::uint8_t>& frame) {
    ++writeFrames;
    if (faults.refuseFrame && writeFrames >= faults.refuseFrame &&
        writeFrames - faults.refuseFrame < faults.refuseTimes)
        return faults.refuseCode;
    const std::uint8_t result = CheckFrame(frame);
    if (result != kWritten)
        return result;
    const std::uint32_t address = frame[1] << 16 | frame[2] << 8 | frame[3];
    for (std::size_t i = 0; i < kFrameData; ++i) {
        const std::uint32_t offset = address - kFlashBase + static_cast<std::uint32_t>(i);
        if (offset < kFlashSize)
            flash[offset] = frame[4 + i];
    }
    ++acceptedFrames;
    return kWritten;
}

// Flash bits only go from 1 to 0: a byte is writable when (old & new) == new. Only the start address
// must lie in the flash; bytes that run past its end are accepted when they are blank (0xFF).
std::uint8_t ControllerModel::CheckFrame(const std::vector<std::uint8_t>& frame) const {
    if (FrameChecksum(frame.data()) != frame[kFrameLength - 1])
        return kBadChecksum;
    const std::uint32_t address = frame[1] << 16 | frame[2] << 8 | frame[3];
    if (address < kFlashBase || address - kFlashBase >= kFlashSize)
        return kOutOfBounds;
    for (std::size_t i = 0; i < kFrameData; ++i) {
        const std::uint8_t value = frame[4 + i];
        const std::uint32_t offset = address - kFlashBase + static_cast<std::uint32_t>(i);
        if (offset >= kFlashSize) {
            if (value != 0xFF)
                return kOutOfBounds;
            continue;
        }
        if ((flash[offset] & value) != value)
            return kNotEmpty;
    }
    return kWritten;
}

std::vector<std::uint8_t> ControllerModel::Erase(std::uint8_t sector) {
    const SectorSpan span = Sector(sector);
    if (span.size == 0)
        return {kOutOfBounds};
    std::fill_n(flash.begin() + span.offset, span.size, std::uint8_t{0xFF});
    erasedSectors.push_back(sector);
    return {kErased};
}

std::vector<std::uint8_t> ControllerModel::ChecksumReport() const {
    std::vector<std::uint8_t> report{0x07};
    for (int sector = 4; sector <= 17; ++sector) {
        const std::uint16_t sum = SectorChecksum(sector);
        report.push_back(static_cast<std::uint8_t>(sum >> 8));
        report.push_back(static_cast<std::uint8_t>(sum));
    }
    return report;
}

// 37-byte packets (mark, 24-bit address, 32 data bytes, checksum), then the end message 0C.
std::vector<std::uint8_t> ControllerModel::ReadBack(std::uint8_t sector) const {
    const SectorSpan span = Sector(sector);
    std::vector<std::uint8_t> stream;
    stream.reserve(span.size / kFrameData * kFrameLength + 1);
    for (std::uint32_t offset = span.offset; offset < span.offset + span.size; offset += kFrameData) {
        const std::uint32_t address = kFlashBase + offset;
        std::uint8_t packet[kFrameLength] = {kPacketMark, static_cast<std::uint8_t>(address >> 16),
                                             static_cast<std::uint8_t>(address >> 8),
                                             static_cast<std::uint8_t>(address)};
        std::copy_n(flash.begin() + offset, kFrameData, packet + 4);
        packet[kFrameLength - 1] = FrameChecksum(packet);
        stream.insert(stream.end(), packet, packet + kFrameLength);
    }
    stream.push_back(kBlockEnd);
    return stream;
}

std::vector<std::uint8_t> ControllerModel::Printout() const {
    std::vector<std::uint8_t> text;
    text.reserve(parameterPrintout.size() + 4);
    text.push_back(kEscape);
    text.push_back(kEscText);
    for (char c : parameterPrintout)
        text.push_back(static_cast<std::uint8_t>(c));
    text.push_back(kEscape);
    text.push_back(kEscTextEnd);
    return text;
}

std::uint8_t ControllerModel::NoiseByte() {
    m_noiseState = m_noiseState * 1103515245u + 12345u;
    return static_cast<std::uint8_t>(m_noiseState >> 16);
}

void ControllerModel::Idle(std::uint32_t nowMs, std::vector<Output>& out) {
    if (!faults.stream || linkDropped)
        return;
    if (!m_streamMs || nowMs - *m_streamMs > kStreamBurstLimit)
        m_streamMs = nowMs - 1; // one byte per millisecond from now on
    Output output{0, {}, baudRate};
    const std::string_view text = kStreamText;
    for (; *m_streamMs != nowMs; ++*m_streamMs) {
        output.bytes.push_back(static_cast<std::uint8_t>(text[m_streamPos]));
        m_streamPos = (m_streamPos + 1) % text.size();
    }
    if (!output.bytes.empty())
        out.push_back(std::move(output));
}

} // namespace bf::sim
