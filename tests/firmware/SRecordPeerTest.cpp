#include "firmware/FirmwareCommands.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/support/RecordingHost.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

// Cross-checks against srec_cat (Debian package srecord): files it writes load to the same bytes,
// and files we accept it reads to the same image.
namespace bf {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::S3;
using test::TempDir;
using test::WriteBytes;
using test::WriteText;

struct Piece {
    std::uint32_t offset;
    std::vector<std::uint8_t> data;
};

class SRecordPeerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_EQ(std::system("srec_cat -version >/dev/null 2>&1"), 0); }

    static void Run(const std::string& command) {
        ASSERT_EQ(std::system((command + " 2>/dev/null").c_str()), 0) << command;
    }
    static std::string Quoted(const std::string& path) { return "'" + path + "'"; }

    // Open `hex`, then Save As; returns the saved file.
    std::vector<std::uint8_t> LoadAndSave(const std::string& hex) {
        host.fileAnswers = {hex, dir / "saved.bin"};
        OpenFirmware(host, *image, state);
        SaveFirmwareAs(host, *image);
        EXPECT_TRUE(host.boxes.empty()) << host.boxes.front().text;
        EXPECT_TRUE(state.loaded);
        return ReadBytes(dir / "saved.bin");
    }

    // The peer writes the pieces as S3 records at controller address 0x100000 + offset.
    void PeerWrite(const std::vector<Piece>& pieces, const std::string& hex, const std::string& options) {
        std::string command = "srec_cat";
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const std::string bin = dir / ("piece" + std::to_string(i) + ".bin");
            WriteBytes(bin, pieces[i].data);
            command += " " + Quoted(bin) + " -binary -offset " + std::to_string(0x100000 + pieces[i].offset);
        }
        Run(command + " -o " + Quoted(hex) + " -motorola -address-length=4 " + options);
    }

    static std::vector<std::uint8_t> Expected(const std::vector<Piece>& pieces) {
        auto bytes = Bytes(FirmwareImage::kImageSize, 0xFF);
        for (const auto& p : pieces)
            std::copy(p.data.begin(), p.data.end(), bytes.begin() + p.offset);
        return bytes;
    }

    static std::vector<std::uint8_t> Random(std::mt19937& rng, std::size_t n) {
        std::vector<std::uint8_t> bytes(n);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(rng());
        return bytes;
    }

    // Up to one piece in each 64 KiB window, of random place and length.
    static std::vector<Piece> SparsePieces(std::mt19937& rng) {
        std::vector<Piece> pieces;
        for (std::uint32_t window = 0; window < 16; ++window) {
            if (rng() % 2 == 0)
                continue;
            const std::uint32_t start = rng() % 0x10000;
            const std::uint32_t length = 1 + rng() % (0x10000 - start);
            pieces.push_back({window * 0x10000 + start, Random(rng, length)});
        }
        return pieces;
    }

    test::VirtualClock clock;
    test::RecordingHost host{clock};
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    ImageState state;
    TempDir dir;
};

TEST_F(SRecordPeerTest, FullRandomImageRoundTrips) {
    std::mt19937 rng(1);
    const std::vector<Piece> pieces{{0, Random(rng, FirmwareImage::kFlashSize)}};
    PeerWrite(pieces, dir / "full.hex", "");
    EXPECT_EQ(LoadAndSave(dir / "full.hex"), Expected(pieces));
    EXPECT_EQ(state.m_nBlocksToErase, 19);
}

TEST_F(SRecordPeerTest, SparseRandomImagesRoundTripWithAnyRecordLength) {
    const std::pair<unsigned, std::string> runs[] = {
        {2, "-obs=250 -line-termination=crlf"}, {3, "-obs=1"}, {4, "-obs=17 -line-termination=nl"}};
    for (const auto& [seed, options] : runs) {
        SCOPED_TRACE(options);
        std::mt19937 rng(seed);
        const auto pieces = SparsePieces(rng);
        PeerWrite(pieces, dir / "sparse.hex", options);
        EXPECT_EQ(LoadAndSave(dir / "sparse.hex"), Expected(pieces));
        int marked = 0;
        for (int s = 0; s < FirmwareImage::kSectorCount; ++s)
            marked += image->IsSectorMarked(s);
        EXPECT_EQ(state.m_nBlocksToErase, marked);
    }
}

TEST_F(SRecordPeerTest, PeerReadsOurRecordsToTheSameImage) {
    std::mt19937 rng(5);
    std::string text = "S0030000FC\r\n";
    for (std::uint32_t address = 0x100000; address < 0x200000;) {
        const auto length = 1 + rng() % 250;
        if (address + length > 0x200000)
            break;
        text += S3(address, Random(rng, length)) + "\r\n";
        address += length + (rng() % 4 == 0 ? rng() % 5000 : 0);
    }
    WriteText(dir / "ours.hex", text);
    const auto saved = LoadAndSave(dir / "ours.hex");
    Run("srec_cat " + Quoted(dir / "ours.hex") + " -motorola -offset -0x100000 -fill 0xFF 0 0x100020 -o " +
        Quoted(dir / "peer.bin") + " -binary");
    EXPECT_EQ(ReadBytes(dir / "peer.bin"), saved);
}

} // namespace
} // namespace bf
