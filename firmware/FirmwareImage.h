#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bf {

// The in-memory copy of the controller's 1 MiB program flash (controller addresses 0x100000 to
// 0x1FFFFF) plus 32 bytes of padding, with the flash sector table, the sector marks, the frame
// builders and the sector checksums. Starts all zero, with no sector marked.
class FirmwareImage {
  public:
    // Results of ParseS3Record.
    enum ParseResult : std::uint8_t {
        kRecordOk = 0,
        kNotARecord = 1,    // the line does not start with "S"
        kNotS3 = 2,         // another record type: skipped
        kBadDigit = 3,      // a character where a hex digit belongs is none (also a line cut short)
        kOutside = 4,       // starts and ends outside the image; nothing read
        kStartsOutside = 5, // starts outside, ends inside
        kEndsOutside = 6,   // starts inside, ends outside
        kOverlap = 7,       // a data byte fell on a byte already holding a value other than 0xFF
        kBadChecksum = 8,
    };
    // Results of StoreImageByte.
    enum StoreResult : std::uint8_t {
        kStored = 0,
        kOutsideImage = 1, // the address is not in the flash
        kTaken = 2,        // the byte already holds a value other than 0xFF; it is kept
    };

    static constexpr std::uint32_t kBaseAddress = 0x100000;
    static constexpr std::uint32_t kFlashSize = 0x100000;
    static constexpr std::uint32_t kImageSize = kFlashSize + 32; // 1,048,608 bytes
    static constexpr int kSectorCount = 19;
    static constexpr std::size_t kEraseFrameSize = 2;
    static constexpr std::size_t kWriteFrameSize = 37;
    static constexpr std::uint8_t kBlank = 0xFF;
    static constexpr int kFirstVerifiedSector = 4;
    static constexpr int kLastVerifiedSector = 17;

    FirmwareImage();

    void ClearImage();
    static std::uint8_t HexDigitValue(char c);
    // Stores `value` at a controller address where the image is still blank (see StoreResult).
    std::uint8_t StoreImageByte(std::uint32_t address, std::uint8_t value);
    bool MarkSector(std::uint32_t address);
    // Marks every sector that holds a byte other than 0xFF (after a binary load).
    void MarkNonBlankSectors();
    // Parses one line (without line end) as an S3 record; result 0 to 8 (see ParseResult).
    // Reads at most kMaxRecordChars characters: anything after the checksum is ignored.
    std::uint8_t ParseS3Record(std::string_view line);
    // "S3", the count, the address, 255 data bytes (counts 0 to 4 wrap around to 251 to 255) and
    // the checksum: 524 characters.
    static constexpr std::size_t kMaxRecordChars = 2 + 2 + 8 + 2 * 255 + 2;

    bool NextEraseFrame(std::uint8_t* frame, bool restart);
    bool NextWriteFrame(std::uint8_t* frame, bool restart);
    // How many erase and write frames an update of this image sends (resends aside). Both run the
    // frame builders from the start and leave their cursors at the end.
    std::int32_t CountEraseFrames();
    std::int32_t CountWriteFrames();

    std::uint16_t SectorChecksum(std::uint8_t sector) const;
    void StoreControllerChecksum(std::uint16_t value, bool restart);
    bool VerifySectorChecksums() const;
    // Whether the checksum the controller reported for a sector (4 to 17) equals the image's.
    bool SectorChecksumMatches(int sector) const;

    // Sector that holds an image offset (offset < kFlashSize).
    static int SectorOfOffset(std::uint32_t offset);
    static std::uint32_t SectorStart(int sector);
    static std::uint32_t SectorSize(int sector);

    const std::uint8_t* data() const { return m_bytes.data(); }
    std::uint8_t* data() { return m_bytes.data(); }
    bool IsSectorMarked(int sector) const { return m_sectorMarks[sector] == 0xFF; }

  private:
    // Moves the write cursor to the pair that holds the next non-blank byte; false when none is left.
    bool SeekNextWriteBlock();

    std::array<std::uint8_t, kImageSize> m_bytes{};
    std::array<std::uint8_t, kSectorCount> m_sectorMarks{};
    std::uint8_t m_eraseCursor = 0;
    std::uint32_t m_writeCursor = 0;
    std::array<std::uint16_t, 18> m_controllerChecksums{};
    std::uint8_t m_checksumCursor = 0;
};

// The block counts of the loaded image (members m_nBlocksToErase and m_nBlocksToWrite of the
// window) and whether the image holds a completely loaded file. The update refuses to start
// without one, so a half-converted image or the all-zero start image is never flashed.
// The counts are 32-bit: a completely filled image has 32,768 write blocks, one more than 16 bits hold.
struct ImageState {
    std::int32_t m_nBlocksToErase = 0;
    std::int32_t m_nBlocksToWrite = 0;
    bool loaded = false;
};

} // namespace bf
