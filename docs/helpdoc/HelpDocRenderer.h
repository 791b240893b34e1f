#pragma once

#include <QString>
#include <QStringList>

namespace bf::helpdoc {

// Outcome of one rendering; `error` explains a failure in words fit for a build log. `tooWide`
// names the paragraphs that do not fit their column (the PDF is written all the same).
struct RenderResult {
    bool ok = false;
    QString error;
    QStringList tooWide;
};

// The text area of an A4 page with 18 mm margins, in layout units (1/96 inch).
struct PageGeometry {
    static constexpr qreal kMarginMm = 18.0;
    static constexpr qreal kPaperWidthMm = 210.0;
    static constexpr qreal kPaperHeightMm = 297.0;
    static qreal MmToLayout(qreal mm) { return mm / 25.4 * 96.0; }
    static qreal TextWidth() { return MmToLayout(kPaperWidthMm - 2 * kMarginMm); }
    static qreal TextHeight() { return MmToLayout(kPaperHeightMm - 2 * kMarginMm); }
};

// Reads a UTF-8 text file whole.
RenderResult ReadTextFile(const QString& path, QString& text);

// The text of the first level-one heading ("# Title"), or an empty string.
QString FirstHeading(const QString& markdown);

// Lays the Markdown text out on A4 pages with page numbers (see GuideLayout) and writes it as a
// PDF. The target is replaced only when the whole document was written, so a failed run never
// leaves a cut-short PDF that a build would take as up to date.
RenderResult RenderMarkdownToPdf(const QString& markdown, const QString& pdfPath);

} // namespace bf::helpdoc
