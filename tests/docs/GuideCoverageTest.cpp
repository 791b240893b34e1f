// The guide explains every log line and message box the program shows. Each translation must keep
// all of them, so a section lost in one language is caught here.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadGuide(const std::string& lang) {
    std::ifstream in(std::string(BF_HELP_SOURCE_DIR) + "/BrenvaldorFlashHelp_" + lang + ".md",
                     std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Message boxes of the controller commands, as the user reads them (lines joined by " / ").
const std::vector<std::string> kBoxTexts = {
    "No answer from Brenvaldor / Controller must be in 'Connect PC' mode / and serial cable attached to Port "
    "P211",
    "No answer from Brenvaldor / Check that serial cable is attached to Port P211",
    "Wrong answer from Brenvaldor",
    "Progam - Wrong answer",
    "Progam - Checksum error",
    "Progam - Block not empty",
    "Progam - Adress out of bounds",
    "Progam - To many resends",
    "Serial port busy or not found",
};

// Log lines, with the fixed part of formatted lines.
const std::vector<std::string> kLogLines = {
    "AUTODETECT SERIAL PORT",
    "BRENVALDOR FOUND",
    "NOT INSTALLED",
    "BUSY",
    "UNKNOWN ANSWER",
    "UNKNOWN ERROR",
    "AUTODETECT - NO ANSWER",
    "OPEN SERIAL PORT COM",
    "SERIAL PORT CLOSED",
    "BRENVALDOR RESTARTED",
    "NO ANSWER FROM BRENVALDOR",
    "HEX FILE: ",
    "BIN FILE: ",
    "HEX FILE CONVERTED OK",
    "NUMBER OF BLOCKS TO ERASE: ",
    "NUMBER OF BLOCKS TO WRITE: ",
    "ERASE FLASH MEMORY",
    "UPDATE PROGRAM",
    "VERIFY CHECKSUM",
    "CHECKSUM OK",
    "CHECKSUM ERROR",
    "CHANGE BAUDRATE TO 9600",
    "BACKUP PROGRAM",
    "HANDSHAKE CONTROLLER - NO ANSWER",
    "DRIVE PRINTOUT OFF - NO ANSWER",
    "READ SETUP PARAMETERS",
    "READ SETUP PARAMETERS - NO ANSWER",
    "NUMBER OF PARAMETERS ",
    "DRIVE PRINTOUT ON - NO ANSWER",
    "SERIAL PORT BUSY OR DOES NOT EXIST",
    "CHECK CONTROLLER",
    "DRIVE PRINTOUT OFF",
    "SET CONTROLLER TIME TO PC TIME",
    "WRITE SETUP PARAMETERS",
    "PARAMETER --> ",
    "DRIVE PRINTOUT ON",
    "NUMBER OF PARAMETERS IN FILE ",
    "ERASE PARAMETER BLOCKS",
    "PARAMETER BLOCKS ERASED",
};

// Menu paths and the topics the guide must cover in every language.
const std::vector<std::string> kTopics = {
    "Port P211",
    "'Connect PC'",
    "AUTO",
    "COM1",
    "COM6",
    "[Ports]",
    "/dev/serial/by-id/",
    "Setup > DevMgmt",
    "Serial ports",
    "Setup > Priority",
    "brenvaldor-sim --link",
    "brenvaldor-sim --help",
    "dialout",
    "ModemManager",
    "brltty",
    "uaccess",
    "File > Open...",
    "File > Save As...",
    "File > Backup...",
    "File > Update",
    "File > Reset",
    "File > Parameter > Backup...",
    "File > Parameter > Edit...",
    "File > Parameter > Update...",
    "File > Parameter > Erase block",
    "Help > BrenvaldorFlash Help...",
};

class GuideCoverageTest : public ::testing::TestWithParam<const char*> {};

void ExpectAllMentioned(const std::string& guide, const std::vector<std::string>& needles) {
    for (const std::string& needle : needles)
        EXPECT_NE(guide.find(needle), std::string::npos) << "not mentioned: " << needle;
}

TEST_P(GuideCoverageTest, ExplainsEveryControllerBox) {
    const std::string guide = ReadGuide(GetParam());
    ASSERT_FALSE(guide.empty());
    ExpectAllMentioned(guide, kBoxTexts);
    for (int code = 1; code <= 9; ++code)
        EXPECT_NE(guide.find("`Error: " + std::to_string(code) + "`"), std::string::npos)
            << "no box Error: " << code;
}

TEST_P(GuideCoverageTest, ExplainsEveryLogLine) {
    ExpectAllMentioned(ReadGuide(GetParam()), kLogLines);
}

TEST_P(GuideCoverageTest, CoversEveryCommandAndSetupTopic) {
    ExpectAllMentioned(ReadGuide(GetParam()), kTopics);
}

INSTANTIATE_TEST_SUITE_P(Languages, GuideCoverageTest, ::testing::Values("EN", "DE", "SV"));

} // namespace
