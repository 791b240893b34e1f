#include "docs/helpdoc/HelpDocRenderer.h"
#include "docs/helpdoc/GuideLayout.h"
#include "docs/helpdoc/InlineCode.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextTable>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using bf::helpdoc::Band;
using bf::helpdoc::FirstHeading;
using bf::helpdoc::GuideLayout;
using bf::helpdoc::InlineCode;
using bf::helpdoc::Page;
using bf::helpdoc::PageGeometry;
using bf::helpdoc::ReadTextFile;
using bf::helpdoc::RenderMarkdownToPdf;
using bf::helpdoc::RenderResult;

const char* const kLanguages[] = {"EN", "DE", "SV"};

QString Guide(const char* lang) {
    QString markdown;
    ReadTextFile(QStringLiteral(BF_HELP_SOURCE_DIR "/BrenvaldorFlashHelp_%1.md").arg(QLatin1String(lang)),
                 markdown);
    return markdown;
}

// Where the pages end, the last page's end left out.
std::vector<qreal> Cuts(const std::vector<Page>& pages) {
    std::vector<qreal> cuts;
    for (std::size_t i = 0; i + 1 < pages.size(); ++i)
        cuts.push_back(pages[i].body.bottom);
    return cuts;
}

bool CutsThrough(const std::vector<qreal>& cuts, qreal top, qreal bottom) {
    return std::any_of(cuts.begin(), cuts.end(),
                       [&](qreal y) { return top + 0.01 < y && y < bottom - 0.01; });
}

// Every line of every paragraph, in the document's own coordinates, measured here from scratch.
std::vector<Band> AllLines(const QTextDocument& document) {
    std::vector<Band> lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const qreal top = document.documentLayout()->blockBoundingRect(block).top();
        for (int i = 0; block.layout() != nullptr && i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            lines.push_back({top + line.y(), top + line.y() + line.height()});
        }
    }
    return lines;
}

// The text of each table row, from the top of its highest cell text to the bottom of its lowest.
std::vector<Band> TableRowTexts(const QTextDocument& document) {
    std::vector<Band> rows;
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        const auto* table = qobject_cast<QTextTable*>(frame);
        for (int row = 0; table != nullptr && row < table->rows(); ++row) {
            Band band{1e9, -1e9};
            for (int column = 0; column < table->columns(); ++column) {
                const QTextTableCell cell = table->cellAt(row, column);
                for (QTextBlock b = document.findBlock(cell.firstPosition());
                     b.isValid() && b.position() <= cell.lastPosition(); b = b.next()) {
                    const QRectF r = document.documentLayout()->blockBoundingRect(b);
                    band.top = std::min(band.top, r.top());
                    band.bottom = std::max(band.bottom, r.bottom());
                }
            }
            rows.push_back(band);
        }
    }
    return rows;
}

class HelpDocRendererTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (QCoreApplication::instance() == nullptr)
            app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    // Qt must be shut down before static destruction takes its own globals away.
    static void TearDownTestSuite() {
        guides_.clear();
        app_.reset();
    }

    // Each guide laid out for the PDF's pages, once for all tests.
    static const GuideLayout& Layout(const char* lang) {
        auto& layout = guides_[lang];
        if (!layout)
            layout = std::make_unique<GuideLayout>(Guide(lang), PageGeometry::TextWidth());
        return *layout;
    }

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
    static inline std::map<std::string, std::unique_ptr<GuideLayout>> guides_;
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

TEST_F(HelpDocRendererTest, NoPageEndsInsideALineATableRowOrACodeBlock) {
    for (const char* lang : kLanguages) {
        SCOPED_TRACE(lang);
        const GuideLayout& layout = Layout(lang);
        const std::vector<Page> pages = layout.Paginate(PageGeometry::TextHeight());
        ASSERT_GE(pages.size(), 4u);
        EXPECT_EQ(pages.front().body.top, 0);
        EXPECT_EQ(pages.back().body.bottom, layout.Height());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            EXPECT_LE(pages[i].header.Height() + pages[i].body.Height(), PageGeometry::TextHeight() + 0.01);
            EXPECT_GT(pages[i].body.Height(), PageGeometry::TextHeight() / 4)
                << "page " << i + 1 << " is nearly empty";
            if (i > 0) {
                EXPECT_EQ(pages[i].body.top, pages[i - 1].body.bottom)
                    << "a gap or an overlap before page " << i + 1;
            }
        }
        const std::vector<qreal> cuts = Cuts(pages);
        for (const Band& line : AllLines(layout.Document()))
            EXPECT_FALSE(CutsThrough(cuts, line.top, line.bottom)) << "a line is cut at " << line.top;
        for (const Band& row : TableRowTexts(layout.Document()))
            EXPECT_FALSE(CutsThrough(cuts, row.top, row.bottom)) << "a table row is cut at " << row.top;
        for (QTextFrame* frame : layout.Document().rootFrame()->childFrames()) {
            if (qobject_cast<QTextTable*>(frame) != nullptr)
                continue;
            const QRectF r = layout.Document().documentLayout()->frameBoundingRect(frame);
            EXPECT_FALSE(CutsThrough(cuts, r.top(), r.bottom())) << "a code block is cut at " << r.top();
        }
    }
}

TEST_F(HelpDocRendererTest, AHeadingStaysWithTheTextBelowIt) {
    for (const char* lang : kLanguages) {
        SCOPED_TRACE(lang);
        const GuideLayout& layout = Layout(lang);
        const std::vector<qreal> cuts = Cuts(layout.Paginate(PageGeometry::TextHeight()));
        const QTextDocument& document = layout.Document();
        const auto* geometry = document.documentLayout();
        int headings = 0;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            if (block.blockFormat().headingLevel() == 0 || !block.next().isValid())
                continue;
            ++headings;
            // The first line of text after the heading, whether in a paragraph, a table or a code block.
            QTextBlock next = block.next();
            while (next.isValid() && next.text().isEmpty())
                next = next.next();
            ASSERT_TRUE(next.isValid());
            const QRectF heading = geometry->blockBoundingRect(block);
            const QRectF following = geometry->blockBoundingRect(next);
            const qreal firstLineBottom = following.top() + next.layout()->lineAt(0).height();
            EXPECT_FALSE(CutsThrough(cuts, heading.top(), firstLineBottom))
                << "heading left alone: " << block.text().toStdString();
        }
        EXPECT_GE(headings, 20);
    }
}

TEST_F(HelpDocRendererTest, ATableGoingOnOverAPageRepeatsItsHeaderRow) {
    QString markdown = QStringLiteral("# Long table\n\n| Line | Meaning |\n|---|---|\n");
    for (int row = 1; row <= 90; ++row)
        markdown += QStringLiteral("| `LINE %1` | what line %1 means, in a few words |\n").arg(row);
    const GuideLayout layout(markdown, PageGeometry::TextWidth());
    const std::vector<Page> pages = layout.Paginate(PageGeometry::TextHeight());
    ASSERT_GE(pages.size(), 2u);
    ASSERT_EQ(layout.Tables().size(), 1u);
    const auto& rows = layout.Tables().front().rows;
    EXPECT_EQ(pages.front().header.Height(), 0);
    for (std::size_t i = 1; i < pages.size(); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(pages[i].header.top, rows.front().top);
        EXPECT_EQ(pages[i].header.bottom, rows.front().bottom);
        // The page goes on with a whole row, never the header row itself.
        EXPECT_TRUE(std::any_of(rows.begin() + 1, rows.end(),
                                [&](const Band& r) { return r.top == pages[i].body.top; }));
    }
}

TEST_F(HelpDocRendererTest, InlineCodeIsOneUnbreakableSpanThatKeepsItsText) {
    const QString command = QStringLiteral("--refuse-frame 5 --refuse-code 05 --refuse-times 6");
    const GuideLayout layout(QStringLiteral("Try `%1` now, or `Error: 9`.\n").arg(command), 200);
    const QTextBlock block = layout.Document().begin();
    EXPECT_FALSE(block.text().contains(QStringLiteral("refuse"))) << "the code is still breakable text";
    QStringList codes;
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (const QString code = InlineCode::TextOf(it.fragment().charFormat()); !code.isEmpty())
            codes << code;
    EXPECT_EQ(codes, (QStringList{command, QStringLiteral("Error: 9")}));
    // Wider than the 200 units it was given: it overhangs rather than breaks, and is reported.
    EXPECT_EQ(layout.TooWide(),
              (std::vector<QString>{QStringLiteral("Try %1 now, or Error: 9.").arg(command)}));
}

TEST_F(HelpDocRendererTest, ATableColumnGrowsToItsWidestCode) {
    const QString markdown =
        QStringLiteral("| Line | Meaning |\n|---|---|\n"
                       "| `PARAMETER FILE NOT WRITTEN - NO SPACE LEFT ON DEVICE` | the list arrived but "
                       "could not be stored, "
                       "and a long explanation follows that would take most of the width if it could |\n");
    const GuideLayout layout(markdown, PageGeometry::TextWidth());
    EXPECT_TRUE(layout.TooWide().empty());
}

TEST_F(HelpDocRendererTest, CodeBlocksStandInAShadedFrameAndDoNotWrap) {
    const GuideLayout layout(
        QStringLiteral("Text before:\n\n    sudo usermod -aG dialout \"$USER\"\n    second line\n\n"
                       "After.\n"),
        PageGeometry::TextWidth());
    const auto frames = layout.Document().rootFrame()->childFrames();
    ASSERT_EQ(frames.size(), 1);
    const QTextFrameFormat format = frames.front()->frameFormat();
    EXPECT_NE(format.background().style(), Qt::NoBrush);
    EXPECT_GT(format.padding(), 0);
    EXPECT_GT(format.leftMargin(), 0);
    EXPECT_GT(format.topMargin(), 0);
    EXPECT_TRUE(layout.TooWide().empty());

    const GuideLayout tooLong(QStringLiteral("    sudo cp /usr/share/doc/brenvaldorflash/examples/"
                                             "70-brenvaldorflash-serial.rules /etc/udev/rules.d/\n"),
                              400);
    EXPECT_EQ(tooLong.TooWide().size(), 1u) << "a code line that had to wrap is not reported";
}

TEST_F(HelpDocRendererTest, EveryGuideFitsItsColumns) {
    for (const char* lang : kLanguages) {
        for (const QString& text : Layout(lang).TooWide())
            ADD_FAILURE() << lang << ": too wide for its column: " << text.toStdString();
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
