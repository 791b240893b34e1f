// The guide explains every log line and message box the program shows, in every language. The texts
// are not listed here: they are read from the program's own sources (see SourceTexts.h for the
// naming rule), so a text added to the program is missing from the guides until someone explains it.
#include "tests/docs/SourceTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using bf::docs::CallsOutsideTheRule;
using bf::docs::GuidePattern;
using bf::docs::NamedTexts;
using bf::docs::NamedTextsBelow;
using bf::docs::SourceText;

// Where the program's texts live: everything the window and its operations show.
const std::vector<std::string> kProgramFolders = {"core",   "serial", "link", "firmware",
                                                  "params", "tool",   "app"};

// Constants that log and box calls may use although the rule does not name them, with the reason.
const std::vector<std::string> kAllowedInCalls = {
    "kApplicationTitle", // the window's own title, also the caption of boxes that have none
    "kCodeBoxes",        // the result codes' kBox texts and captions, by code
    "kNotRegularFile",   // an error code, which FileWriteErrorText words like any errno value
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ReadGuide(const std::string& lang) {
    return ReadFile(std::string(BF_HELP_SOURCE_DIR) + "/BrenvaldorFlashHelp_" + lang + ".md");
}

const std::vector<SourceText>& ProgramTexts() {
    static const std::vector<SourceText> texts = NamedTextsBelow(BF_SOURCE_ROOT, kProgramFolders);
    return texts;
}

bool Explains(const std::string& guide, const std::string& text) {
    return std::regex_search(guide, std::regex(GuidePattern(text)));
}

// A port status is explained where the guide shows it in its log line, "COM5: NO ANSWER".
bool Explains(const std::string& guide, const SourceText& t) {
    if (t.name.rfind("kStatus", 0) != 0)
        return Explains(guide, t.value);
    return std::regex_search(guide, std::regex("COM[0-9]+:\\s+" + GuidePattern(t.value) + "(?![A-Z])"));
}

// Menu paths and the topics the guide must cover in every language.
const std::vector<std::string> kTopics = {
    "Port P211",
    "'Connect PC'",
    "AUTO",
    "COM1",
    "COM5",
    "COM6",
    "/dev/ttyUSB0",
    "[Ports]",
    "[Setup]",
    "/dev/serial/by-id/",
    "Setup > DevMgmt",
    "Serial ports",
    "Setup > Priority",
    "brenvaldor-sim --link",
    "brenvaldor-sim --help",
    "man brenvaldor",
    "dialout",
    "ModemManager",
    "brltty",
    "uaccess",
    "70-brenvaldorflash-serial.rules",
    ".s19",
    ".srec",
    "de_CH",
    "nb_NO",
    "de_AT",
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
    "Help > About",
};

TEST(SourceTextsTest, ReadsNamedConstantsWithJoinedLiteralsAndEscapes) {
    const std::string source = R"src(
constexpr char kLogDone[] = "DONE";
static constexpr char kBoxTwoLines[] = "First line\n"
                                       "second \"quoted\" line  ";
inline constexpr char kStatusBusy[] = "BUSY";
constexpr char kHexExtension[] = "hex";
constexpr char kLogged[] = "not a log text: no capital after the prefix";
constexpr char kBoxByte[] = "\x41";
)src";
    const auto texts = NamedTexts(source, "x.cpp");
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].name, "kLogDone");
    EXPECT_EQ(texts[0].value, "DONE");
    EXPECT_EQ(texts[0].file, "x.cpp");
    EXPECT_EQ(texts[1].name, "kBoxTwoLines");
    EXPECT_EQ(texts[1].value, "First line\nsecond \"quoted\" line  ");
    EXPECT_EQ(texts[2].name, "kStatusBusy");
    EXPECT_EQ(texts[3].value, "A");
}

TEST(SourceTextsTest, PatternsFindTheTextsAsTheGuideWritesThem) {
    const std::string guide = "The line `COM5: HELD BY minicom (PID 4711)` follows.\n"
                              "| `Error: 1` \"No answer from Brenvaldor / Check that serial\n"
                              "cable is attached\" |\n"
                              "`OPEN SERIAL PORT COM3:38400`, 100% done\n";
    EXPECT_TRUE(Explains(guide, "COM%d: HELD BY %s (PID %d)"));
    EXPECT_TRUE(Explains(guide, "No answer from Brenvaldor\nCheck that serial cable is attached  "));
    EXPECT_TRUE(Explains(guide, "OPEN SERIAL PORT COM%d:%d"));
    EXPECT_TRUE(Explains(guide, "%d%% done"));
    EXPECT_FALSE(Explains(guide, "COM%d: HELD BY %s (pid %d)"));
    EXPECT_FALSE(Explains(guide, "No answer from Brenvaldor\nController must be in 'Connect PC' mode"));
    EXPECT_FALSE(Explains(guide, "OPEN SERIAL PORT COM%d:%d ("));
}

TEST(SourceTextsTest, APortStatusCountsOnlyInItsPortLine) {
    const SourceText noAnswer{"kStatusNoAnswer", "NO ANSWER", "x.cpp"};
    const SourceText busy{"kStatusBusy", "BUSY", "x.cpp"};
    const std::string guide =
        "`AUTODETECT - NO ANSWER` and `SERIAL PORT BUSY OR DOES NOT EXIST`; `COM7: BUSYBOX`";
    EXPECT_FALSE(Explains(guide, noAnswer));
    EXPECT_FALSE(Explains(guide, busy));
    EXPECT_TRUE(Explains(guide + " `COM5: NO ANSWER`", noAnswer));
    EXPECT_TRUE(Explains(guide + " `COM12: BUSY`", busy));
}

TEST(SourceTextsTest, FindsLogAndBoxCallsThatBypassTheNamedTexts) {
    const std::string source = R"src(
    host.AppendLog(kLogDone);
    host.AppendLog(kLogCount + std::to_string(n));
    host.MessageBox(kBoxNoImage, "", BoxIcon::Error);
    host.AppendLog("WRITTEN IN PLACE");
    host.MessageBox(kNoDataText,
                    kCaption, BoxIcon::Error);
    m_prompter.ShowMessage(this, QString::fromLatin1(kBoxFailed), QString::fromLatin1(kApplicationTitle));
)src";
    const auto findings = CallsOutsideTheRule(source, "x.cpp", {"kApplicationTitle"});
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(findings[0], "x.cpp:5: AppendLog: a text written in place: \"WRITTEN IN PLACE\"");
    EXPECT_EQ(findings[1], "x.cpp:6: MessageBox: kNoDataText is not named kLog..., kStatus... or kBox...");
    EXPECT_EQ(findings[2], "x.cpp:6: MessageBox: kCaption is not named kLog..., kStatus... or kBox...");
}

TEST(ProgramTextsTest, AreReadFromTheSources) {
    const auto& texts = ProgramTexts();
    EXPECT_GE(texts.size(), 60u) << "the sources name far fewer texts than the program shows";
    std::map<std::string, std::string> byName;
    for (const SourceText& t : texts)
        byName[t.name] = t.value;
    EXPECT_EQ(byName["kLogChecksumOk"], "CHECKSUM OK");
    EXPECT_EQ(byName["kBoxTooManyResends"], "Progam - To many resends ");
    EXPECT_EQ(byName["kStatusBluetooth"], "BLUETOOTH");
}

TEST(ProgramTextsTest, EveryLogLineAndBoxTakesItsTextFromANamedConstant) {
    const auto root = std::string(BF_SOURCE_ROOT);
    std::vector<std::string> findings;
    for (const std::string& folder : kProgramFolders)
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root + "/" + folder)) {
            const auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
                continue;
            const auto found = CallsOutsideTheRule(
                ReadFile(entry.path().string()),
                std::filesystem::relative(entry.path(), root).generic_string(), kAllowedInCalls);
            findings.insert(findings.end(), found.begin(), found.end());
        }
    for (const std::string& finding : findings)
        ADD_FAILURE() << finding;
}

class GuideCoverageTest : public ::testing::TestWithParam<const char*> {};

TEST_P(GuideCoverageTest, ExplainsEveryLogLineAndBoxOfTheProgram) {
    const std::string guide = ReadGuide(GetParam());
    ASSERT_FALSE(guide.empty());
    for (const SourceText& t : ProgramTexts()) {
        if (GuidePattern(t.value).empty())
            continue; // an empty caption: the box shows the program's title
        EXPECT_TRUE(Explains(guide, t))
            << "not explained: " << t.name << " (" << t.file << "): \"" << t.value << "\"";
    }
}

TEST_P(GuideCoverageTest, NamesEveryResultCodeBox) {
    const std::string guide = ReadGuide(GetParam());
    for (int code = 1; code <= 9; ++code)
        EXPECT_NE(guide.find("`Error: " + std::to_string(code) + "`"), std::string::npos)
            << "no box Error: " << code;
}

TEST_P(GuideCoverageTest, CoversEveryCommandAndSetupTopic) {
    const std::string guide = ReadGuide(GetParam());
    for (const std::string& topic : kTopics)
        EXPECT_NE(guide.find(topic), std::string::npos) << "not mentioned: " << topic;
}

INSTANTIATE_TEST_SUITE_P(Languages, GuideCoverageTest, ::testing::Values("EN", "DE", "SV"));

// The translations keep the English guide's sections, so a section lost in one language shows.
TEST(GuideSectionsTest, EveryLanguageHasTheSameSections) {
    const auto headings = [](const std::string& guide) {
        std::vector<int> levels;
        std::istringstream lines(guide);
        for (std::string line; std::getline(lines, line);) {
            const auto hashes = line.find_first_not_of('#');
            if (hashes > 0 && hashes != std::string::npos && line[hashes] == ' ')
                levels.push_back(static_cast<int>(hashes));
        }
        return levels;
    };
    const auto english = headings(ReadGuide("EN"));
    ASSERT_GE(english.size(), 10u);
    EXPECT_EQ(headings(ReadGuide("DE")), english);
    EXPECT_EQ(headings(ReadGuide("SV")), english);
}

} // namespace
