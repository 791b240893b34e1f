#include "docs/helpdoc/InlineCode.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <vector>

namespace bf::helpdoc {

namespace {

constexpr int kTextProperty = QTextFormat::UserProperty + 1;
constexpr qreal kCodePointSize = 9.0;
constexpr qreal kPaddingPoints = 1.2;
const char* const kCodeFamily = "DejaVu Sans Mono";
const QColor kBackground(0xEC, 0xEC, 0xEC);

qreal PointsToDevice(qreal points, const QPaintDevice& device) {
    return points * device.logicalDpiY() / 72.0;
}

// A pixel size, so that the font measures the same for the layout, for Qt's baseline placement of
// the object and for the painter that draws it.
QFont CodeFont(const QPaintDevice& device) {
    QFont font(QString::fromLatin1(kCodeFamily));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(static_cast<int>(std::lround(PointsToDevice(kCodePointSize, device))));
    return font;
}

struct Span {
    int position;
    int length;
    QString text;
    QTextCharFormat format;
};

bool IsCodeBlock(const QTextBlock& block) {
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage) ||
           block.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
}

std::vector<Span> InlineCodeSpans(const QTextDocument& document) {
    std::vector<Span> spans;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (IsCodeBlock(block))
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid() && fragment.charFormat().fontFixedPitch() && !fragment.text().isEmpty())
                spans.push_back(
                    {fragment.position(), fragment.length(), fragment.text(), fragment.charFormat()});
        }
    }
    return spans;
}

} // namespace

InlineCode::InlineCode(QPaintDevice& device, QObject* parent) : QObject(parent), m_device(device) {}

void InlineCode::Install(QTextDocument& document, InlineCode& handler) {
    document.documentLayout()->registerHandler(kObjectType, &handler);
    std::vector<Span> spans = InlineCodeSpans(document);
    // From the end, so that the positions of the spans still to come stay valid.
    std::reverse(spans.begin(), spans.end());
    for (const Span& span : spans) {
        QTextCharFormat format = span.format;
        format.setObjectType(kObjectType);
        format.setProperty(kTextProperty, span.text);
        format.setFont(CodeFont(handler.m_device));
        QTextCursor cursor(&document);
        cursor.setPosition(span.position);
        cursor.setPosition(span.position + span.length, QTextCursor::KeepAnchor);
        cursor.insertText(QString(QChar::ObjectReplacementCharacter), format);
    }
}

QString InlineCode::TextOf(const QTextFormat& format) {
    return format.objectType() == kObjectType ? format.property(kTextProperty).toString() : QString();
}

QSizeF InlineCode::intrinsicSize(QTextDocument*, int, const QTextFormat& format) {
    const QFontMetricsF metrics(CodeFont(m_device), &m_device);
    const qreal padding = PointsToDevice(kPaddingPoints, m_device);
    // Qt sets an inline object's bottom on the baseline; the descenders are drawn below it, in
    // the room the line keeps for the text's own descenders.
    return {metrics.horizontalAdvance(TextOf(format)) + 2 * padding, metrics.ascent()};
}

void InlineCode::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                            const QTextFormat& format) {
    const QFont font = CodeFont(m_device);
    const QFontMetricsF metrics(font, &m_device);
    const qreal padding = PointsToDevice(kPaddingPoints, m_device);
    painter->save();
    const qreal baseline = rect.bottom();
    painter->fillRect(
        QRectF(rect.left(), baseline - metrics.ascent(), rect.width(), metrics.ascent() + metrics.descent()),
        kBackground);
    painter->setFont(font);
    painter->setPen(Qt::black);
    painter->drawText(QPointF(rect.left() + padding, baseline), TextOf(format));
    painter->restore();
}

} // namespace bf::helpdoc
