#include "docs/helpdoc/HelpDocRenderer.h"

#include "docs/helpdoc/GuideLayout.h"

#include <QFile>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>

namespace bf::helpdoc {

namespace {

constexpr int kResolutionDpi = 300;
constexpr qreal kPageNumberFromBottomMm = 10.0;
constexpr int kPageNumberPixels = 12; // 9 pt in layout units
const char* const kCreator = "BrenvaldorFlash";
const char* const kPageNumberFamily = "DejaVu Sans";

RenderResult Failure(const QString& error) {
    return {false, error, {}};
}

// The writer's own margins are 0: the painter places the text area and the page number itself.
void SetUpWriter(QPdfWriter& writer, const QString& title) {
    writer.setResolution(kResolutionDpi);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer.setTitle(title);
    writer.setCreator(QString::fromLatin1(kCreator));
}

void PaintPageNumber(QPainter& painter, int number) {
    QFont font(QString::fromLatin1(kPageNumberFamily));
    font.setPixelSize(kPageNumberPixels);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const qreal baseline = PageGeometry::MmToLayout(PageGeometry::kPaperHeightMm - kPageNumberFromBottomMm);
    const QRectF box(0, baseline - 2 * kPageNumberPixels,
                     PageGeometry::MmToLayout(PageGeometry::kPaperWidthMm) -
                         PageGeometry::MmToLayout(PageGeometry::kMarginMm),
                     2 * kPageNumberPixels);
    painter.drawText(box, Qt::AlignRight | Qt::AlignBottom, QString::number(number));
}

bool Paint(QPdfWriter& writer, const GuideLayout& layout) {
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    const qreal scale = writer.resolution() / GuideLayout::kDpi;
    const qreal margin = PageGeometry::MmToLayout(PageGeometry::kMarginMm);
    const std::vector<Page> pages = layout.Paginate(PageGeometry::TextHeight());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !writer.newPage())
            return false;
        painter.save();
        painter.scale(scale, scale);
        PaintPageNumber(painter, static_cast<int>(i + 1));
        painter.translate(margin, margin);
        layout.Paint(painter, pages[i]);
        painter.restore();
    }
    return painter.end();
}

} // namespace

RenderResult ReadTextFile(const QString& path, QString& text) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    text = QString::fromUtf8(file.readAll());
    return {true, {}, {}};
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
    bool painted = false;
    QStringList tooWide;
    {
        const GuideLayout layout(markdown, PageGeometry::TextWidth());
        for (const QString& text : layout.TooWide())
            tooWide << text;
        QPdfWriter writer(&file);
        SetUpWriter(writer, FirstHeading(markdown));
        painted = Paint(writer, layout);
    }
    if (!painted) {
        file.cancelWriting();
        return Failure(QStringLiteral("cannot lay out %1").arg(pdfPath));
    }
    if (!file.commit())
        return Failure(QStringLiteral("cannot write %1: %2").arg(pdfPath, file.errorString()));
    return {true, {}, tooWide};
}

} // namespace bf::helpdoc
