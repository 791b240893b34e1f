#include "firmware/FirmwareImage.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

namespace bf {

namespace {

constexpr std::uint8_t kEraseCommand = 0xF2;
constexpr std::uint8_t kWriteCommand = 0xF3;
constexpr std::uint8_t kMarked = 0xFF;
constexpr std::uint8_t kBadNibble = 0xFF;
constexpr std::uint32_t kWriteBlockSize = 32;
constexpr std::uint32_t kChecksumSectorSize = 0x10000;
constexpr std::uint8_t kChecksumEntries = 18;

// Value of each character as a hex digit; 0xFF for everything but "0"-"9" and "A"-"F".
constexpr auto kHexTable = [] {
    std::array<std::uint8_t, 256> table{};
    for (auto& v : table)
        v = kBadNibble;
    for (int c = '0'; c <= '9'; ++c)
        table[c] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c)
        table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    return table;
}();

// Reads the hex byte at `pos`, high nibble first. Past the end of the line there is no digit.
bool ReadHexByte(std::string_view line, std::size_t pos, std::uint8_t& value) {
    if (pos + 1 >= line.size())
        return false;
    const std::uint8_t high = kHexTable[static_cast<unsigned char>(line[pos])];
    const std::uint8_t low = kHexTable[static_cast<unsigned char>(line[pos + 1])];
    if ((high | low) > 15)
        return false;
    value = static_cast<std::uint8_t>(high << 4 | low);
    return true;
}

// The byte of each pair of characters (the first the high digit, indexed first | second << 8),
// or kBadPair when either is no hex digit: one lookup per data byte of a record.
constexpr std::uint16_t kBadPair = 0x100;
constexpr auto kHexPairTable = [] {
    std::array<std::uint16_t, 256 * 256> table;
    table.fill(kBadPair);
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int high = 0; high < 16; ++high)
        for (int low = 0; low < 16; ++low)
            table[static_cast<unsigned char>(kDigits[high]) | static_cast<unsigned char>(kDigits[low]) << 8] =
                static_cast<std::uint16_t>(high << 4 | low);
    return table;
}();

unsigned PairAt(const char* digits, std::uint32_t i) {
    return kHexPairTable[static_cast<unsigned char>(digits[2 * i]) |
                         static_cast<unsigned>(static_cast<unsigned char>(digits[2 * i + 1])) << 8];
}

// Decodes up to `count` hex pairs at `digits` into `out`, adding the bytes to `sum`, and returns
// how many pairs came before the first that is no pair of hex digits (`count` when all are).
// Where the byte order allows, eight digits are read at once and split into their four pair
// indexes, without a branch per byte; a bad pair is looked for only when there is one.
std::uint32_t DecodeHexRun(const char* digits, std::uint32_t count, std::uint8_t* out, std::uint32_t& sum) {
    unsigned pairs = 0; // every pair's bits: kBadPair is among them only when a digit was bad
    std::uint32_t total = 0;
    std::uint32_t i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; i + 4 <= count; i += 4) {
            std::uint64_t chars;
            std::memcpy(&chars, digits + 2 * i, sizeof chars);
            const unsigned b0 = kHexPairTable[chars & 0xFFFF];
            const unsigned b1 = kHexPairTable[(chars >> 16) & 0xFFFF];
            const unsigned b2 = kHexPairTable[(chars >> 32) & 0xFFFF];
            const unsigned b3 = kHexPairTable[chars >> 48];
            pairs |= b0 | b1 | b2 | b3;
            total += b0 + b1 + b2 + b3;
            // A bad pair's bit spills into the byte after it: no matter, only the bytes before
            // the first bad pair are used.
            const std::uint32_t bytes = b0 | b1 << 8 | b2 << 16 | b3 << 24;
            std::memcpy(out + i, &bytes, sizeof bytes);
        }
    }
    for (; i < count; ++i) {
        const unsigned pair = PairAt(digits, i);
        pairs |= pair;
        out[i] = static_cast<std::uint8_t>(pair);
        total += pair;
    }
    if ((pairs & kBadPair) == 0) {
        sum += total;
        return count;
    }
    std::uint32_t good = 0;
    while ((PairAt(digits, good) & kBadPair) == 0)
        ++good;
    return good;
}

// Stores `count` bytes into `slots` where the image is blank there, eight at a time
// where all eight are; false when any of them fell on a byte that holds a value.
bool StoreRun(std::uint8_t* slots, const std::uint8_t* bytes, std::uint32_t count) {
    constexpr std::uint64_t kBlankWord = ~std::uint64_t{0};
    bool stored = true;
    std::uint32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, slots + i, sizeof word);
        if (word != kBlankWord)
            break;
        std::memcpy(slots + i, bytes + i, sizeof word);
    }
    for (; i < count; ++i) {
        if (slots[i] == FirmwareImage::kBlank)
            slots[i] = bytes[i];
        else
            stored = false;
    }
    return stored;
}

bool InImage(std::uint32_t address) {
    return address >= FirmwareImage::kBaseAddress &&
           address - FirmwareImage::kBaseAddress < FirmwareImage::kFlashSize;
}

// Offset of the first byte other than 0xFF in [from, to), or `to` when there is none.
std::uint32_t FirstNonBlank(const std::uint8_t* bytes, std::uint32_t from, std::uint32_t to) {
    while (from < to && from % 8 != 0 && bytes[from] == FirmwareImage::kBlank)
        ++from;
    while (from + 8 <= to) {
        std::uint64_t word;
        std::memcpy(&word, bytes + from, sizeof word);
        if (word != ~std::uint64_t{0})
            break;
        from += 8;
    }
    while (from < to && bytes[from] == FirmwareImage::kBlank)
        ++from;
    return from;
}

// Sum of 32 bytes, eight at a time: the bytes are spread over 16-bit lanes that cannot overflow.
std::uint32_t ByteSum32(const std::uint8_t* bytes) {
    constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FF;
    std::uint64_t lanes = 0;
    for (int i = 0; i < 4; ++i) {
        std::uint64_t word;
        std::memcpy(&word, bytes + 8 * i, sizeof word);
        lanes += (word & kLowBytes) + ((word >> 8) & kLowBytes);
    }
    return static_cast<std::uint32_t>((lanes * 0x0001000100010001) >> 48);
}

} // namespace

FirmwareImage::FirmwareImage() = default;

void FirmwareImage::ClearImage() {
    m_bytes.fill(kBlank);
    m_sectorMarks.fill(0x00);
}

std::uint8_t FirmwareImage::HexDigitValue(char c) {
    return kHexTable[static_cast<unsigned char>(c)];
}

std::uint8_t FirmwareImage::StoreImageByte(std::uint32_t address, std::uint8_t value) {
    if (!InImage(address))
        return kOutsideImage;
    std::uint8_t& slot = m_bytes[address - kBaseAddress];
    if (slot != kBlank)
        return kTaken;
    slot = value;
    return kStored;
}

bool FirmwareImage::MarkSector(std::uint32_t address) {
    if (!InImage(address))
        return false;
    m_sectorMarks[SectorOfOffset(address - kBaseAddress)] = kMarked;
    return true;
}

void FirmwareImage::MarkNonBlankSectors() {
    for (int sector = 0; sector < kSectorCount; ++sector) {
        const std::uint32_t start = SectorStart(sector);
        const std::uint32_t end = start + SectorSize(sector);
        if (FirstNonBlank(m_bytes.data(), start, end) < end)
            m_sectorMarks[sector] = kMarked;
    }
}

std::uint8_t FirmwareImage::ParseS3Record(std::string_view line) {
    if (line.empty() || line[0] != 'S')
        return kNotARecord;
    if (line.size() < 2 || line[1] != '3')
        return kNotS3;

    std::uint8_t count = 0;
    if (!ReadHexByte(line, 2, count))
        return kBadDigit;
    std::uint32_t address = 0;
    std::uint8_t sum = count;
    for (std::size_t i = 0; i < 4; ++i) {
        std::uint8_t b = 0;
        if (!ReadHexByte(line, 4 + 2 * i, b))
            return kBadDigit;
        address = address << 8 | b;
        sum = static_cast<std::uint8_t>(sum + b);
    }

    // The count covers the four address bytes, the data and the checksum byte.
    const std::uint8_t dataBytes = static_cast<std::uint8_t>(count - 5);
    const std::uint32_t end = dataBytes == 0 ? address : address + dataBytes - 1;
    const bool startInside = MarkSector(address);
    const bool endInside = MarkSector(end);
    if (!startInside && !endInside)
        return kOutside;
    std::uint8_t result = kRecordOk;
    if (!startInside)
        result = kStartsOutside;
    else if (!endInside)
        result = kEndsOutside;

    // The data bytes the line holds whole, up to the count, as far as they are hex digits; those
    // inside the image are stored where it is free. A line that ends early or a bad digit gives 3
    // after the bytes before it were stored.
    constexpr std::size_t kDataStart = 12;
    const auto held =
        static_cast<std::uint32_t>(std::min<std::size_t>(dataBytes, (line.size() - kDataStart) / 2));
    std::array<std::uint8_t, std::numeric_limits<std::uint8_t>::max()> data; // the most a count gives
    std::uint32_t dataSum = 0;
    const std::uint32_t good = DecodeHexRun(line.data() + kDataStart, held, data.data(), dataSum);
    if (result == kRecordOk) {
        if (!StoreRun(m_bytes.data() + (address - kBaseAddress), data.data(), good))
            result = kOverlap;
    } else {
        for (std::uint32_t i = 0; i < good; ++i)
            if (StoreImageByte(address + i, data[i]) == kTaken)
                result = kOverlap;
    }
    if (good < dataBytes)
        return kBadDigit;
    sum = static_cast<std::uint8_t>(sum + dataSum);
    const std::size_t pos = kDataStart + 2 * std::size_t{dataBytes};

    std::uint8_t checksum = 0;
    if (!ReadHexByte(line, pos, checksum))
        return kBadDigit;
    if (checksum != static_cast<std::uint8_t>(~sum))
        return kBadChecksum;
    return result;
}

bool FirmwareImage::NextEraseFrame(std::uint8_t* frame, bool restart) {
    if (restart)
        m_eraseCursor = 0;
    while (m_eraseCursor < kSectorCount && m_sectorMarks[m_eraseCursor] != kMarked)
        ++m_eraseCursor;
    if (m_eraseCursor >= kSectorCount)
        return false;
    frame[0] = kEraseCommand;
    frame[1] = m_eraseCursor++;
    return true;
}

bool FirmwareImage::SeekNextWriteBlock() {
    // Skip blank 16-bit pairs between blocks: stop at the pair that holds the first non-blank byte.
    if (m_writeCursor < kFlashSize)
        m_writeCursor = FirstNonBlank(m_bytes.data(), m_writeCursor, kFlashSize) & ~std::uint32_t{1};
    return m_writeCursor < kFlashSize;
}

bool FirmwareImage::NextWriteFrame(std::uint8_t* frame, bool restart) {
    if (restart)
        m_writeCursor = 0;
    if (!SeekNextWriteBlock())
        return false;

    const std::uint32_t address = kBaseAddress + m_writeCursor;
    frame[0] = kWriteCommand;
    frame[1] = static_cast<std::uint8_t>(address >> 16);
    frame[2] = static_cast<std::uint8_t>(address >> 8);
    frame[3] = static_cast<std::uint8_t>(address);
    std::memcpy(frame + 4, m_bytes.data() + m_writeCursor, kWriteBlockSize);
    const std::uint32_t sum = frame[1] + frame[2] + frame[3] + ByteSum32(frame + 4);
    frame[kWriteFrameSize - 1] = static_cast<std::uint8_t>(~sum);
    m_writeCursor += kWriteBlockSize;
    return true;
}

std::uint16_t FirmwareImage::SectorChecksum(std::uint8_t sector) const {
    if (sector < kFirstVerifiedSector || sector > kLastVerifiedSector)
        return 0;
    const std::uint8_t* bytes = m_bytes.data() + SectorStart(sector);
    // Big-endian words summed modulo 65536: the high bytes count 256 times, the low bytes once.
    std::uint32_t highSum = 0;
    std::uint32_t lowSum = 0;
    for (std::uint32_t i = 0; i < kChecksumSectorSize; i += 2) {
        highSum += bytes[i];
        lowSum += bytes[i + 1];
    }
    return static_cast<std::uint16_t>(~(highSum * 256 + lowSum));
}

void FirmwareImage::StoreControllerChecksum(std::uint16_t value, bool restart) {
    if (restart)
        m_checksumCursor = kFirstVerifiedSector;
    else if (m_checksumCursor >= kChecksumEntries)
        return;
    m_controllerChecksums[m_checksumCursor++] = value;
}

bool FirmwareImage::VerifySectorChecksums() const {
    for (int sector = kFirstVerifiedSector; sector <= kLastVerifiedSector; ++sector) {
        if (!IsSectorMarked(sector))
            continue;
        if (!SectorChecksumMatches(sector))
            return false;
    }
    return true;
}

bool FirmwareImage::SectorChecksumMatches(int sector) const {
    return SectorChecksum(static_cast<std::uint8_t>(sector)) == m_controllerChecksums[sector];
}

int FirmwareImage::SectorOfOffset(std::uint32_t offset) {
    if (offset < 0x4000)
        return 0;
    if (offset < 0x6000)
        return 1;
    if (offset < 0x8000)
        return 2;
    if (offset < 0x10000)
        return 3;
    return static_cast<int>(offset >> 16) + 3;
}

std::uint32_t FirmwareImage::SectorStart(int sector) {
    static constexpr std::uint32_t kSmallStarts[] = {0x0000, 0x4000, 0x6000, 0x8000};
    return sector < 4 ? kSmallStarts[sector] : static_cast<std::uint32_t>(sector - 3) << 16;
}

std::uint32_t FirmwareImage::SectorSize(int sector) {
    static constexpr std::uint32_t kSmallSizes[] = {0x4000, 0x2000, 0x2000, 0x8000};
    return sector < 4 ? kSmallSizes[sector] : 0x10000;
}

std::int32_t FirmwareImage::CountEraseFrames() {
    std::uint8_t frame[kEraseFrameSize];
    std::int32_t count = 0;
    for (bool restart = true; NextEraseFrame(frame, restart); restart = false)
        ++count;
    return count;
}

// Steps the cursor as NextWriteFrame does, without building the frames.
std::int32_t FirmwareImage::CountWriteFrames() {
    std::int32_t count = 0;
    for (m_writeCursor = 0; SeekNextWriteBlock(); m_writeCursor += kWriteBlockSize)
        ++count;
    return count;
}

} // namespace bf
