#pragma once

#include <QString>

namespace bf::helpdoc {

// Outcome of one rendering; `error` explains a failure in words fit for a build log.
struct RenderResult {
    bool ok = false;
    QString error;
};

// Reads a UTF-8 text file whole.
RenderResult ReadTextFile(const QString& path, QString& text);

// The text of the first level-one heading ("# Title"), or an empty string.
QString FirstHeading(const QString& markdown);

// Lays the Markdown text out on A4 pages with page numbers and writes it as a PDF. The target is
// replaced only when the whole document was written, so a failed run never leaves a cut-short PDF
// that a build would take as up to date.
RenderResult RenderMarkdownToPdf(const QString& markdown, const QString& pdfPath);

} // namespace bf::helpdoc
