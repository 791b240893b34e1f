#include "HelpDocRenderer.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace bf::helpdoc {

namespace {

constexpr int kResolutionDpi = 300;
constexpr qreal kMarginMm = 18.0;
constexpr qreal kBodyPointSize = 10.0;
constexpr qreal kTableCellPadding = 4.0;
constexpr qreal kTableBorder = 1.0;
const char* const kCreator = "BrenvaldorFlash";

RenderResult Failure(const QString& error) {
    return {false, error};
}

void SetUpWriter(QPdfWriter& writer, const QString& title) {
    writer.setResolution(kResolutionDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
    writer.setTitle(title);
    writer.setCreator(QString::fromLatin1(kCreator));
}

// Tables from Markdown come with doubled borders; one thin grid across the page reads better.
void StyleTables(QTextDocument& document) {
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr)
            continue;
        QTextTableFormat format = table->format();
        format.setBorderCollapse(true);
        format.setBorder(kTableBorder);
        format.setBorderBrush(QColor(Qt::gray));
        format.setCellSpacing(0);
        format.setCellPadding(kTableCellPadding);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        table->setFormat(format);
    }
}

void SetUpDocument(QTextDocument& document, const QString& markdown) {
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(kBodyPointSize);
    document.setDefaultFont(body);
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    StyleTables(document);
}

} // namespace

RenderResult ReadTextFile(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    text = QString::fromUtf8(file.readAll());
    return {true, {}};
}

QString FirstHeading(const QString& markdown) {
    static const QRegularExpression heading(QStringLiteral("^#[ \\t]+(.+?)[ \\t#]*$"),
                                            QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = heading.match(markdown);
    return match.hasMatch() ? match.captured(1) : QString();
}

RenderResult RenderMarkdownToPdf(const QString& markdown, const QString& pdfPath) {
    if (markdown.trimmed().isEmpty())
        return Failure(QStringLiteral("the document is empty"));

    QSaveFile file(pdfPath);
    if (!file.open(QIODevice::WriteOnly))
        return Failure(QStringLiteral("cannot write %1: %2").arg(pdfPath, file.errorString()));
    {
        QPdfWriter writer(&file);
        SetUpWriter(writer, FirstHeading(markdown));
        QTextDocument document;
        SetUpDocument(document, markdown);
        document.print(&writer);
    }
    if (!file.commit())
        return Failure(QStringLiteral("cannot write %1: %2").arg(pdfPath, file.errorString()));
    return {true, {}};
}

} // namespace bf::helpdoc
