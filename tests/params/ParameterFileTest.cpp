#include "ParameterFile.h"
#include "ParameterBackup.h"
#include "ParamsFixture.h"

#include <gmock/gmock.h>

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
    const std::string chosen = "/tmp/my params/lift 3; $(rm -rf x) & 'b'.dat";
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

} // namespace
} // namespace bf::test
