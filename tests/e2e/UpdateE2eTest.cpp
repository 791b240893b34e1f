#include "firmware/FlashUpdate.h"
#include "firmware/ProgramBackup.h"
#include "params/ParameterErase.h"
#include "tests/e2e/PtyFixture.h"

#include <gmock/gmock.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace bf::test {
namespace {

using ::testing::IsEmpty;

// The real port, with what has arrived taken into a queue of our own, so that the test can see
// the bytes waiting without reading them for the program.
class PeekingPort final : public Port {
  public:
    explicit PeekingPort(CSerialPort& port) : m_port(port) {}

    const std::deque<std::uint8_t>& Waiting() const { return m_waiting; }

    void Open(int port, std::uint32_t baud, SerialParity parity, std::uint8_t dataBits,
              SerialStopBits stopBits, SerialFlowControl flow) override {
        m_waiting.clear();
        m_port.Open(port, baud, parity, dataBits, stopBits, flow);
    }
    void Close() override {
        m_waiting.clear();
        m_port.Close();
    }
    bool IsOpen() const override { return m_port.IsOpen(); }
    std::size_t Read(void* buffer, std::size_t count) override {
        Take();
        const std::size_t n = std::min(count, m_waiting.size());
        std::copy_n(m_waiting.begin(), n, static_cast<std::uint8_t*>(buffer));
        m_waiting.erase(m_waiting.begin(), m_waiting.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    std::size_t Write(const void* buffer, std::size_t count) override { return m_port.Write(buffer, count); }
    void Flush() override { m_port.Flush(); }
    void Drain() override { m_port.Drain(); }
    std::uint32_t BytesAvailable() override {
        Take();
        return static_cast<std::uint32_t>(m_waiting.size());
    }
    void SetNonBlockingReads() override { m_port.SetNonBlockingReads(); }
    void SetWriteTimeout() override { m_port.SetWriteTimeout(); }
    void AbortPendingReads() override { m_port.AbortPendingReads(); }
    void DiscardInput() override {
        m_waiting.clear();
        m_port.DiscardInput();
    }
    void WaitForInput(std::uint32_t maxMs, std::uint32_t waiting = 0) override {
        Take();
        if (m_waiting.size() <= waiting)
            m_port.WaitForInput(maxMs);
    }

  private:
    void Take() {
        std::uint8_t chunk[4096];
        while (const std::uint32_t n = std::min<std::uint32_t>(m_port.BytesAvailable(), sizeof chunk)) {
            const std::size_t got = m_port.Read(chunk, n);
            m_waiting.insert(m_waiting.end(), chunk, chunk + got);
        }
    }

    CSerialPort& m_port;
    std::deque<std::uint8_t> m_waiting;
};

// Real time, except that the wait after a block's end message (a lone 0C, which the backup reads
// only once its 2000 ms packet wait has run out) is skipped: each reading then moves on 100 ms.
class BlockEndClock final : public Clock {
  public:
    explicit BlockEndClock(PeekingPort& port) : m_port(port) {}
    std::uint32_t nowMs() override {
        if (m_port.Waiting().size() == 1 && m_port.Waiting().front() == 0x0C)
            m_skew += kStepMs;
        return m_real.nowMs() + m_skew;
    }
    void sleepMs(std::uint32_t ms) override { m_real.sleepMs(ms); }

  private:
    static constexpr std::uint32_t kStepMs = 100;
    SteadyClock m_real;
    PeekingPort& m_port;
    std::uint32_t m_skew = 0;
};

// The commands on the real serial port against brenvaldor-sim, at 57600 bit/s.
struct OperationsOnPty : PtyFixture {
    OperationsOnPty() {
        settings = {1, 57600, 0};
        image->ClearImage();
    }

    void FillImage() {
        std::mt19937 random(7);
        std::uint8_t* bytes = image->data();
        for (std::uint32_t i = 0; i < FirmwareImage::kFlashSize; ++i) {
            bytes[i] = static_cast<std::uint8_t>(random() % 255); // never blank
            image->MarkSector(FirmwareImage::kBaseAddress + i);
        }
        state = {19, 32768, true};
    }
    void Update() { UpdateProgram(session, *image, state); }
    bool Logged(const std::string& line) const {
        return std::find(host.logSinceClear.begin(), host.logSinceClear.end(), line) !=
               host.logSinceClear.end();
    }

    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    ImageState state;
};

TEST_F(OperationsOnPty, UpdatesAndVerifiesAFullImage) {
    StartSim();
    FillImage();
    Update();

    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_TRUE(Logged("CHECKSUM OK"));
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
}

TEST_F(OperationsOnPty, BackupEqualsTheFlashFromSector1) {
    StartSim();
    FillImage();
    Update();
    ASSERT_TRUE(Logged("CHECKSUM OK"));
    // On a pseudo-terminal the closing F9 is only taken once the simulator reads it, and its answer
    // may come after the next open (a real line has sent the one and loses the other). Wait for that
    // answer and drain it, as a technician's pause between commands would.
    OpenStandard(port, 1);
    WaitForBytes(port, 1, 500);
    port.DiscardInput();
    port.Close();

    PeekingPort peeking(port);
    BlockEndClock blockEndClock(peeking);
    Session backup{host, blockEndClock, peeking, settings};
    const std::string dir = std::filesystem::temp_directory_path() / ("bf-e2e-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    host.fileAnswers.push_back(dir + "/flash");
    BackupProgram(backup);

    std::ifstream in(dir + "/flash.bin", std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove_all(dir);
    EXPECT_THAT(host.boxes, IsEmpty());
    ASSERT_EQ(file.size(), FirmwareImage::kImageSize);
    EXPECT_TRUE(
        std::equal(file.begin() + 0x4000, file.begin() + FirmwareImage::kFlashSize, image->data() + 0x4000));
    EXPECT_TRUE(std::all_of(file.begin(), file.begin() + 0x4000, [](auto b) { return b == 0xFF; }));
}

TEST_F(OperationsOnPty, ErasesTheParameterBlocks) {
    StartSim();
    EraseParameterBlocks(session);

    EXPECT_THAT(host.boxes, IsEmpty());
    EXPECT_EQ(host.logSinceClear,
              (std::vector<std::string>{"OPEN SERIAL PORT COM1:57600", "ERASE PARAMETER BLOCKS",
                                        "PARAMETER BLOCKS ERASED", "SERIAL PORT CLOSED"}));
}

TEST_F(OperationsOnPty, PulledLinkMidWriteEndsSoundly) {
    StartSim({"--drop-after", "500"});
    FillImage();
    Update();

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Error: 9");
    EXPECT_EQ(host.logSinceClear.back(), "SERIAL PORT CLOSED");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(host.toolbar.back(), (std::vector<bool>{true, true, true}));
}

} // namespace
} // namespace bf::test
