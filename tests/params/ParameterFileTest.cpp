#include "params/ParameterFile.h"
#include "params/ParameterBackup.h"
#include "tests/params/ParamsFixture.h"

#include <gmock/gmock.h>

#include <filesystem>
#include <iterator>

namespace bf::test {
namespace {

using ::testing::ElementsAre;

using ParameterFileTest = ParamsFixture;

TEST_F(ParameterFileTest, TxtRuleAppliesToOpenAndSaveDialogs) {
    const std::pair<std::string, std::string> cases[] = {{"backup", "backup.txt"},
                                                         {"backup.TXT", "backup.TXT"},
                                                         {"backup.dat", "backup.dat.txt"},
                                                         {"a.txt.dir/backup", "a.txt.dir/backup.txt"}};
    for (const auto& [chosen, final] : cases) {
        host.fileAnswers.push_back(chosen);
        EXPECT_EQ(AskParameterFileToOpen(host), final);
        host.fileAnswers.push_back(PathOf(chosen));
        EXPECT_EQ(AskParameterFileToSave(host), PathOf(final));
    }
    ASSERT_FALSE(host.dialogs.empty());
    const auto& filters = host.dialogs[0].filters;
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].description, "Brenvaldor parameters (*.txt)");
    EXPECT_EQ(filters[0].pattern, "*.txt");
    EXPECT_EQ(filters[1].description, "All files (*.*)");
    EXPECT_EQ(filters[1].pattern, "*.*");
    EXPECT_TRUE(host.overwriteQuestions.empty()); // nothing existed under an appended name
}

TEST_F(ParameterFileTest, OnlyAnAppendedNameThatExistsIsAskedAbout) {
    WriteFile(PathOf("b.dat.txt"), "x");
    WriteFile(PathOf("c.TXT"), "x");
    host.confirmOverwrite = false;
    host.fileAnswers.push_back(PathOf("c.TXT"));
    EXPECT_EQ(AskParameterFileToSave(host), PathOf("c.TXT"));
    host.fileAnswers.push_back(PathOf("b.dat"));
    EXPECT_EQ(AskParameterFileToSave(host), std::nullopt);
    EXPECT_THAT(host.overwriteQuestions, ElementsAre(PathOf("b.dat.txt")));
}

TEST_F(ParameterFileTest, EditOpensTheWholePathInTheEditorAndTouchesNothingElse) {
    std::filesystem::create_directory(PathOf("my params"));
    const std::string chosen = PathOf("my params/lift 3; $(rm -rf x) & 'b'.dat");
    host.fileAnswers.push_back(chosen);
    ParameterEdit(host);
    EXPECT_THAT(host.editorOpened, ElementsAre(chosen + ".txt"));
    EXPECT_FALSE(host.dialogs.at(0).save);
    EXPECT_TRUE(host.log.empty());
    EXPECT_TRUE(host.toolbar.empty());
    EXPECT_EQ(host.clears, 0);

    ParameterEdit(host); // cancelled
    EXPECT_EQ(host.editorOpened.size(), 1u);
}

TEST_F(ParameterFileTest, EditWhereNoFileCanBeCreatedSaysWhyAndOpensNothing) {
    const std::string path = PathOf("missing/upd.txt");
    host.fileAnswers.push_back(PathOf("missing/upd"));
    ParameterEdit(host);
    EXPECT_TRUE(host.editorOpened.empty());
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Cannot write the file \"" + path + "\":\nNo such file or directory");
    EXPECT_EQ(host.boxes[0].caption, "");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(PathOf("missing")));
}

// The pieces are the file's bytes as they are (no line end translated, NUL and all), cut after
// each line feed and every 255 bytes, across the reader's buffer.
TEST_F(ParameterFileTest, PiecesAreTheFilesBytesCutAtLineFeedsAnd255Bytes) {
    std::string content;
    std::vector<std::string> expected;
    for (int i = 0; i < 1500; ++i) {
        expected.push_back("P" + std::to_string(i) + "=v\r\n");
        content += expected.back();
    }
    const std::string longLine = std::string(600, 'x') + "\n";
    expected.insert(expected.end(),
                    {longLine.substr(0, 255), longLine.substr(255, 255), longLine.substr(510)});
    content += longLine;
    expected.push_back(std::string("A\0\x1A\xFF", 4));
    content += expected.back();
    ASSERT_GT(content.size(), 3 * 4096u);
    WriteFile(PathOf("p.txt"), content);

    ParameterPieceReader reader(PathOf("p.txt"));
    ASSERT_TRUE(reader.IsOpen());
    std::vector<std::string> pieces;
    for (std::string piece; reader.Next(piece);)
        pieces.push_back(piece);
    EXPECT_EQ(pieces, expected);
}

TEST_F(ParameterFileTest, NoPiecesFromWhatIsNoRegularFile) {
    std::filesystem::create_directory(dir / "folder.txt");
    for (const std::string& path : {PathOf("missing.txt"), PathOf("folder.txt")}) {
        ParameterPieceReader reader(path);
        EXPECT_FALSE(reader.IsOpen()) << path;
        std::string piece = "old";
        EXPECT_FALSE(reader.Next(piece));
        EXPECT_EQ(piece, "");
    }
}

} // namespace
} // namespace bf::test
