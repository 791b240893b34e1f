#include "core/HelpDocument.h"

#include <gtest/gtest.h>

#include <set>

namespace bf::help {
namespace {

TEST(HelpDocument, LanguageGroupsChooseTheDocument) {
    for (const char* sv : {"sv_SE", "da_DK", "nb_NO", "sv_SE.UTF-8", "da-DK"})
        EXPECT_STREQ(DocumentForLanguage(LanguageIdForLocale(sv)), kDocumentSV) << sv;
    for (const char* de : {"de_DE", "de_CH", "de_DE@euro"})
        EXPECT_STREQ(DocumentForLanguage(LanguageIdForLocale(de)), kDocumentDE) << de;
    // Other sublanguages get the English document.
    for (const char* en : {"de_AT", "nn_NO", "sv_FI", "en_US", "C", "", "de", "sv_SEX"})
        EXPECT_STREQ(DocumentForLanguage(LanguageIdForLocale(en)), kDocumentEN) << en;
}

TEST(HelpDocument, LanguageIds) {
    EXPECT_EQ(LanguageIdForLocale("sv_SE"), 1053);
    EXPECT_EQ(LanguageIdForLocale("da_DK"), 1030);
    EXPECT_EQ(LanguageIdForLocale("nb_NO"), 1044);
    EXPECT_EQ(LanguageIdForLocale("de_DE"), 1031);
    EXPECT_EQ(LanguageIdForLocale("de_CH"), 2055);
    // Whole 16-bit ids: German of Austria (0x0C07) and Norwegian Nynorsk (0x0814) are not in the table.
    EXPECT_STREQ(DocumentForLanguage(0x0C07), kDocumentEN);
    EXPECT_STREQ(DocumentForLanguage(0x0814), kDocumentEN);
    EXPECT_STREQ(DocumentForLanguage(0x0807), kDocumentDE);
}

TEST(HelpDocument, FirstExistingFolderWins) {
    const std::set<std::string> present{"/b/BrenvaldorFlashHelp_EN.pdf", "/c/BrenvaldorFlashHelp_EN.pdf"};
    auto exists = [&](const std::string& p) { return present.count(p) > 0; };
    EXPECT_EQ(FindDocument(kDocumentEN, {"/a", "/b", "/c"}, exists), "/b/BrenvaldorFlashHelp_EN.pdf");
    EXPECT_EQ(FindDocument(kDocumentEN, {"/c", "/b"}, exists), "/c/BrenvaldorFlashHelp_EN.pdf");
    EXPECT_EQ(FindDocument(kDocumentDE, {"/a", "/b", "/c"}, exists), "");
}

} // namespace
} // namespace bf::help
