// What each operation tells a caller that acts on its end (the command line), against the
// controller model on the virtual clock. The window's side of the same runs is tested elsewhere.
#include "core/FileSystem.h"
#include "firmware/FirmwareFile.h"
#include "firmware/FlashUpdate.h"
#include "firmware/ProgramBackup.h"
#include "link/PortSearch.h"
#include "params/ParameterBackup.h"
#include "params/ParameterErase.h"
#include "params/ParameterUpdate.h"
#include "tests/firmware/FirmwareTestUtil.h"
#include "tests/params/ParamsFixture.h"
#include "tests/support/ControllerFixture.h"

namespace bf::test {
namespace {

using End = CommandResult::End;

void ExpectResult(const CommandResult& r, End end, std::uint8_t code = 0) {
    EXPECT_EQ(static_cast<int>(r.end), static_cast<int>(end));
    EXPECT_EQ(r.code, code);
}

// Answers the checksum report with fourteen zero checksums, which no image with data matches.
std::function<std::optional<std::vector<std::uint8_t>>(const std::vector<std::uint8_t>&)> ZeroChecksums() {
    return [](const std::vector<std::uint8_t>& command) -> std::optional<std::vector<std::uint8_t>> {
        if (command != std::vector<std::uint8_t>{0xF7})
            return std::nullopt;
        std::vector<std::uint8_t> report(29, 0x00);
        report[0] = 0x07;
        return report;
    };
}

struct UpdateCase {
    const char* name;
    std::function<void(sim::Faults&, ImageState&)> arrange;
    bool closeDuringErase;
    End end;
    std::uint8_t code;
};

const UpdateCase kUpdateCases[] = {
    {"ChecksumMismatch", [](sim::Faults& f, ImageState&) { f.replyOverride = ZeroChecksums(); }, false,
     End::ChecksumMismatch, 0},
    {"SilentController", [](sim::Faults& f, ImageState&) { f.silent = true; }, false, End::Failed, 1},
    {"ClosingRequest", [](sim::Faults& f, ImageState&) { f.answerDelayMs = 10; }, true, End::Aborted, 0},
    {"NothingLoaded", [](sim::Faults&, ImageState& s) { s.loaded = false; }, false, End::FileFailed, 0},
};

class UpdateResult : public ControllerFixture, public ::testing::WithParamInterface<UpdateCase> {};

TEST_P(UpdateResult, EndsAs) {
    const UpdateCase& c = GetParam();
    Put(0x10000, Pattern(64, 3));
    c.arrange(model.faults, state);
    if (c.closeDuringErase)
        RequestCloseWhen([this] { return CountWritten(0xF2) > 0; });
    ExpectResult(UpdateProgram(session, *image, state), c.end, c.code);
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateResult, ::testing::ValuesIn(kUpdateCases),
                         [](const auto& info) { return std::string(info.param.name); });

using VerifyResult = ControllerFixture;

TEST_F(VerifyResult, ComparesOnlyAndNamesEachSector) {
    Put(0x10000, Pattern(64, 3));
    Put(0x30000, Pattern(64, 9));
    ExpectResult(UpdateProgram(session, *image, state), End::Done);
    const std::size_t writtenBefore = port.written.size();
    // Sector 6 of the controller changes behind our back.
    model.flash[0x30000] ^= 0x01;
    ExpectResult(VerifyProgram(session, *image, state), End::ChecksumMismatch);
    EXPECT_TRUE(image->SectorChecksumMatches(4));
    EXPECT_FALSE(image->SectorChecksumMatches(6));
    const std::vector<std::uint8_t> sent(port.written.begin() + static_cast<long>(writtenBefore),
                                         port.written.end());
    EXPECT_EQ(sent, (std::vector<std::uint8_t>{0xF1, 0xFB, 0xF7, 0xF9})); // handshake, rate, report, back
    EXPECT_EQ(host.logSinceClear,
              (std::vector<std::string>{"OPEN SERIAL PORT COM1:38400", "VERIFY CHECKSUM", "CHECKSUM ERROR",
                                        "CHANGE BAUDRATE TO 9600", "SERIAL PORT CLOSED"}));
    model.flash[0x30000] ^= 0x01;
    ExpectResult(VerifyProgram(session, *image, state), End::Done);
}

TEST_F(VerifyResult, ASilentControllerIsCodeOne) {
    Put(0x10000, Pattern(64, 3));
    model.faults.silent = true;
    ExpectResult(VerifyProgram(session, *image, state), End::Failed, 1);
    EXPECT_EQ(CountWritten(0xF7), 0u);
}

TEST_F(VerifyResult, APortThatFailsIsCodeNine) {
    Put(0x10000, Pattern(64, 3));
    model.faults.answerDelayMs = 10; // the waits pump, and the port vanishes at a pump
    VanishWhen([this] { return CountWritten(0xF7) > 0; });
    ExpectResult(VerifyProgram(session, *image, state), End::Failed, 9);
}

using OtherControllerResults = ControllerFixture;

TEST_F(OtherControllerResults, BackupEraseAndReset) {
    TempDir dir;
    ExpectResult(BackupProgram(session), End::Cancelled);
    host.fileAnswers.push_back(dir / "none/flash.bin");
    ExpectResult(BackupProgram(session), End::FileFailed);
    EXPECT_TRUE(port.written.empty()); // refused before the controller was contacted
    ExpectResult(EraseParameterBlocks(session), End::Done);
    ExpectResult(ResetController(session), End::Done);
    model.faults.silent = true;
    host.fileAnswers.push_back(dir / "flash.bin");
    ExpectResult(BackupProgram(session), End::Failed, 1);
    ExpectResult(EraseParameterBlocks(session), End::Failed, 1);
    settings.m_nPort = 2; // nothing there
    ExpectResult(ResetController(session), End::Failed, 9);
    settings.m_nPort = 0;
    ExpectResult(ResetController(session), End::Failed, 1);
}

TEST_F(OtherControllerResults, TheClosingRequestEndsBackupAndErase) {
    TempDir dir;
    model.faults.answerDelayMs = 10; // the waits pump, and the request comes at a pump
    RequestCloseWhen([this] { return CountWritten(0xF2) > 0; });
    ExpectResult(EraseParameterBlocks(session), End::Aborted);
    closeAt.reset(); // the erase stayed at 9600, so the backup finds the controller
    RequestCloseWhen([this] { return CountWritten(0xFC) > 0; });
    host.fileAnswers.push_back(dir / "flash.bin");
    ExpectResult(BackupProgram(session), End::Aborted);
}

using ParameterResults = ParamsFixture;

TEST_F(ParameterResults, BackupSucceedsOnlyWithTheWholePrintout) {
    host.fileAnswers.push_back(PathOf("whole"));
    ExpectResult(ParameterBackup(session), End::Done);
    AnswerReadWith({0xFF, 0x23, 'A', '=', '1', '\r', '\n'}); // no end mark
    host.fileAnswers.push_back(PathOf("cut"));
    ExpectResult(ParameterBackup(session), End::Failed, 1);
    model.faults.silent = true;
    host.fileAnswers.push_back(PathOf("silent"));
    ExpectResult(ParameterBackup(session), End::Failed, 1);
}

TEST_F(ParameterResults, BackupAndUpdateReportTheirFailures) {
    model.faults.replyOverride = nullptr;
    host.fileAnswers.push_back(PathOf("none/params"));
    ExpectResult(ParameterBackup(session), End::FileFailed);
    ExpectResult(ParameterBackup(session), End::Cancelled);
    ExpectResult(ParameterUpdate(session), End::Cancelled);
    WriteFile(PathOf("p.txt"), "A01=12\r\n");
    host.fileAnswers.push_back(PathOf("p.txt"));
    ExpectResult(ParameterUpdate(session), End::Done);
    settings.m_nPort = 2;
    host.fileAnswers.push_back(PathOf("p.txt"));
    ExpectResult(ParameterUpdate(session), End::Failed, 9);
    host.fileAnswers.push_back(PathOf("p.txt"));
    ExpectResult(ParameterBackup(session), End::Failed, 9);
    settings.m_nPort = 0;
    host.fileAnswers.push_back(PathOf("p.txt"));
    ExpectResult(ParameterUpdate(session), End::Failed, 1);
    host.fileAnswers.push_back(PathOf("q.txt"));
    ExpectResult(ParameterBackup(session), End::Failed, 1);
}

TEST(ConversionLine, CountsEveryLineEmptyOnesIncluded) {
    TempDir dir;
    const std::string path = dir / "fw.hex";
    std::ofstream(path) << "S0030000FC\n\n"
                        << S3(0x100000, Bytes(4, 1)) << "\n"
                        << S3(0x100002, Bytes(4, 2)) << "\n";
    InputFile file(path);
    auto image = std::make_unique<FirmwareImage>();
    image->ClearImage();
    const ConversionResult r = ConvertSRecordFile(file, 100, *image, [](int) {});
    EXPECT_EQ(r.errorNumber, 2);
    EXPECT_EQ(r.line, 4u);
}

} // namespace
} // namespace bf::test
