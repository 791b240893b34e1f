#include "HelpDocRenderer.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using bf::helpdoc::FirstHeading;
using bf::helpdoc::ReadTextFile;
using bf::helpdoc::RenderMarkdownToPdf;
using bf::helpdoc::RenderResult;

class HelpDocRendererTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr)
            app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    // Qt must be shut down before static destruction takes its own globals away.
    static void TearDownTestSuite() { app_.reset(); }

    static QByteArray ReadAll(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir_;

  private:
    static inline int argc_ = 1;
    static inline char name_[] = "docs_helpdoc_test";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QGuiApplication> app_;
};

TEST_F(HelpDocRendererTest, EachGuideRendersToAMultiPagePdf) {
    for (const char* lang : {"EN", "DE", "SV"}) {
        SCOPED_TRACE(lang);
        QString markdown;
        const QString source = QStringLiteral(BF_HELP_SOURCE_DIR "/BrenvaldorFlashHelp_%1.md").arg(lang);
        ASSERT_TRUE(ReadTextFile(source, markdown).ok);

        const QString pdf = dir_.filePath(QStringLiteral("guide_%1.pdf").arg(lang));
        const RenderResult result = RenderMarkdownToPdf(markdown, pdf);
        ASSERT_TRUE(result.ok) << result.error.toStdString();

        const QByteArray bytes = ReadAll(pdf);
        EXPECT_TRUE(bytes.startsWith("%PDF-"));
        EXPECT_TRUE(bytes.trimmed().endsWith("%%EOF"));
        EXPECT_GE(bytes.count("/Type /Page\n"), 4) << "the guide is laid out on too few pages";
    }
}

TEST_F(HelpDocRendererTest, TitleComesFromTheFirstTopLevelHeading) {
    EXPECT_EQ(FirstHeading(QStringLiteral("intro\n## Part\n# Guide title ##\n# Later\n")),
              QStringLiteral("Guide title"));
    EXPECT_EQ(FirstHeading(QStringLiteral("#NoBlank\n")), QString());
    EXPECT_EQ(FirstHeading(QStringLiteral("## Only a section\ntext\n")), QString());
}

TEST_F(HelpDocRendererTest, EmptyDocumentFailsAndKeepsTheExistingPdf) {
    const QString pdf = dir_.filePath(QStringLiteral("kept.pdf"));
    QFile old(pdf);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("previous build");
    old.close();

    const RenderResult result = RenderMarkdownToPdf(QStringLiteral(" \n\t\n"), pdf);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.isEmpty());
    EXPECT_EQ(ReadAll(pdf), QByteArray("previous build"));
}

TEST_F(HelpDocRendererTest, UnwritableTargetIsReportedAndNothingIsLeftBehind) {
    const QString pdf = dir_.filePath(QStringLiteral("no/such/folder/guide.pdf"));
    const RenderResult result = RenderMarkdownToPdf(QStringLiteral("# Guide\n\ntext\n"), pdf);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(pdf));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(HelpDocRendererTest, MissingSourceIsReportedWithItsPath) {
    QString text = QStringLiteral("unchanged");
    const QString missing = dir_.filePath(QStringLiteral("missing.md"));
    const RenderResult result = ReadTextFile(missing, text);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.error.contains(missing));
}

TEST_F(HelpDocRendererTest, SourceIsReadAsUtf8) {
    const QString path = dir_.filePath(QStringLiteral("sv.md"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Behörigheter för å, ä, ö och ü\n");
    file.close();

    QString text;
    ASSERT_TRUE(ReadTextFile(path, text).ok);
    EXPECT_EQ(FirstHeading(text), QString::fromUtf8("Behörigheter för å, ä, ö och ü"));
}

} // namespace
