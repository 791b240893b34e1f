#include "docs/helpdoc/GuideLayout.h"

#include "docs/helpdoc/InlineCode.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QFont>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace bf::helpdoc {

namespace {

// All lengths below are in layout units, 1/96 inch (0.75 pt).
constexpr qreal kBodyPointSize = 10.0;
constexpr qreal kCodePointSize = 9.0;
constexpr qreal kTableCellPadding = 4.0;
constexpr qreal kTableBorder = 1.0;
constexpr qreal kTableMargin = 6.0;
// Room beside a widened column's code for the punctuation around it, "(" and ")" say.
constexpr qreal kCodeSlack = 16.0;
constexpr qreal kCodeIndent = 10.0;
constexpr qreal kCodePadding = 6.0;
constexpr qreal kCodeMargin = 6.0;
constexpr qreal kEpsilon = 0.01;
const char* const kBodyFamily = "DejaVu Sans";
const char* const kCodeFamily = "DejaVu Sans Mono";
const QColor kCodeBackground(0xF2, 0xF2, 0xF2);
const QColor kCodeBorder(0xD0, 0xD0, 0xD0);
const QColor kHeaderBackground(0xE6, 0xE6, 0xE6);

// Space above and below headings by level: a heading belongs to the text below it.
struct HeadingSpace {
    qreal above;
    qreal below;
};
constexpr HeadingSpace kHeadingSpace[] = {{0, 0}, {0, 12}, {22, 8}, {14, 6}, {10, 4}, {10, 4}, {10, 4}};

bool IsCodeBlock(const QTextBlock& block) {
    return block.blockFormat().hasProperty(QTextFormat::BlockCodeLanguage) ||
           block.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
}

void SpaceHeadings(QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level <= 0 || level > 6)
            continue;
        QTextBlockFormat format = block.blockFormat();
        format.setTopMargin(block.blockNumber() == 0 ? 0 : kHeadingSpace[level].above);
        format.setBottomMargin(kHeadingSpace[level].below);
        QTextCursor(block).setBlockFormat(format);
    }
}

// Each run of code lines goes into a frame of its own: grey, indented, with room around it.
void FrameCodeBlocks(QTextDocument& document) {
    QTextFrameFormat frame;
    frame.setBackground(kCodeBackground);
    frame.setBorder(0.75);
    frame.setBorderBrush(kCodeBorder);
    frame.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    frame.setPadding(kCodePadding);
    frame.setLeftMargin(kCodeIndent);
    frame.setTopMargin(kCodeMargin);
    frame.setBottomMargin(kCodeMargin);

    QFont code(QString::fromLatin1(kCodeFamily));
    code.setStyleHint(QFont::Monospace);
    code.setPointSizeF(kCodePointSize);
    QTextCharFormat codeChars;
    codeChars.setFont(code);

    QTextBlock block = document.begin();
    while (block.isValid()) {
        if (!IsCodeBlock(block) || document.frameAt(block.position()) != document.rootFrame()) {
            block = block.next();
            continue;
        }
        // A code block inside a list item keeps the item's indentation, as the frame's margin.
        QTextFrameFormat framed = frame;
        framed.setLeftMargin(kCodeIndent + block.blockFormat().indent() * document.indentWidth());
        QTextBlock last = block;
        while (last.next().isValid() && IsCodeBlock(last.next()))
            last = last.next();
        for (QTextBlock line = block;; line = line.next()) {
            QTextBlockFormat format = line.blockFormat();
            format.setTopMargin(0);
            format.setBottomMargin(0);
            format.setIndent(0);
            format.setNonBreakableLines(true);
            QTextCursor cursor(line);
            cursor.setBlockFormat(format);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(codeChars);
            if (line == last)
                break;
        }
        QTextCursor lines(&document);
        lines.setPosition(block.position());
        lines.setPosition(last.position() + last.length() - 1, QTextCursor::KeepAnchor);
        QTextFrame* inserted = lines.insertFrame(framed);
        block = document.findBlock(inserted->lastPosition() + 1);
    }
}

// The Markdown reader starts the first cell of a table with an empty paragraph; it would show as a
// blank line at the top of every header row.
void DropLeadingEmptyParagraph(QTextTable& table) {
    const QTextTableCell cell = table.cellAt(0, 0);
    QTextBlock first = table.document()->findBlock(cell.firstPosition());
    if (!first.isValid() || !first.text().isEmpty() || first.next().position() > cell.lastPosition())
        return;
    QTextCursor cursor(first);
    cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

// One thin grid across the page, and a shaded header row.
void StyleTables(QTextDocument& document) {
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr)
            continue;
        DropLeadingEmptyParagraph(*table);
        QTextTableFormat format = table->format();
        format.setBorderCollapse(true);
        format.setBorder(kTableBorder);
        format.setBorderBrush(QColor(Qt::gray));
        format.setCellSpacing(0);
        format.setCellPadding(kTableCellPadding);
        format.setHeaderRowCount(1);
        format.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        format.setBottomMargin(kTableMargin);
        table->setFormat(format);
        for (int column = 0; column < table->columns(); ++column) {
            QTextTableCell cell = table->cellAt(0, column);
            QTextCharFormat shaded = cell.format();
            shaded.setBackground(kHeaderBackground);
            cell.setFormat(shaded);
        }
    }
}

// Qt keeps a paragraph between a frame (table or code block) and what surrounds it; left empty, it
// would add a blank line. The frames' own margins give the space instead.
void CollapseEmptyParagraphsAroundFrames(QTextDocument& document) {
    QTextBlockFormat flat;
    flat.setTopMargin(0);
    flat.setBottomMargin(0);
    flat.setLineHeight(0, QTextBlockFormat::FixedHeight);
    QTextCharFormat tiny;
    tiny.setFontPointSize(1);
    for (QTextFrame* frame : document.rootFrame()->childFrames()) {
        for (const QTextBlock& block : {document.findBlock(frame->firstPosition() - 1),
                                        document.findBlock(frame->lastPosition() + 1)}) {
            if (!block.isValid() || !block.text().isEmpty() ||
                document.frameAt(block.position()) != document.rootFrame())
                continue;
            QTextCursor cursor(block);
            cursor.mergeBlockFormat(flat);
            cursor.mergeBlockCharFormat(tiny);
        }
    }
}

std::vector<QTextBlock> BlocksOf(const QTextFrame& frame) {
    std::vector<QTextBlock> blocks;
    for (auto it = frame.begin(); !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame()) {
            const auto inner = BlocksOf(*child);
            blocks.insert(blocks.end(), inner.begin(), inner.end());
        } else if (it.currentBlock().isValid()) {
            blocks.push_back(it.currentBlock());
        }
    }
    return blocks;
}

std::vector<Band> LinesOf(const QTextBlock& block, const QAbstractTextDocumentLayout& layout) {
    std::vector<Band> lines;
    const QTextLayout* text = block.layout();
    if (text == nullptr)
        return lines;
    const qreal top = layout.blockBoundingRect(block).top();
    for (int i = 0; i < text->lineCount(); ++i) {
        const QTextLine line = text->lineAt(i);
        lines.push_back({top + line.y(), top + line.y() + line.height()});
    }
    return lines;
}

// Rows as the grid shows them: each ends half-way between its own text and the next row's.
TableRows MeasureTable(const QTextTable& table, const QAbstractTextDocumentLayout& layout) {
    const QRectF frame = layout.frameBoundingRect(const_cast<QTextTable*>(&table));
    constexpr qreal inf = std::numeric_limits<qreal>::infinity();
    std::vector<Band> content(static_cast<std::size_t>(table.rows()), Band{inf, -inf});
    for (int row = 0; row < table.rows(); ++row) {
        for (int column = 0; column < table.columns(); ++column) {
            const QTextTableCell cell = table.cellAt(row, column);
            if (cell.row() != row || cell.column() != column)
                continue; // covered by a spanning cell
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                const QTextBlock block = it.currentBlock();
                if (!block.isValid())
                    continue;
                const QRectF r = layout.blockBoundingRect(block);
                Band& c = content[static_cast<std::size_t>(row)];
                c.top = std::min(c.top, r.top() - block.blockFormat().topMargin());
                c.bottom = std::max(c.bottom, r.bottom() + block.blockFormat().bottomMargin());
            }
        }
    }
    // Qt's frame rectangle of a table is the inside of its grid: the outer border and the cells'
    // padding lie around it.
    const qreal inset = table.format().border() + table.format().cellPadding();
    TableRows rows{{frame.top() - inset, frame.bottom() + inset}, {}};
    qreal top = rows.table.top;
    for (std::size_t row = 0; row < content.size(); ++row) {
        const qreal bottom =
            row + 1 < content.size() ? (content[row].bottom + content[row + 1].top) / 2 : rows.table.bottom;
        rows.rows.push_back({top, bottom});
        top = bottom;
    }
    return rows;
}

// Moves `y` up to the top of every band it falls inside, until it falls inside none.
qreal MoveAbove(qreal y, std::initializer_list<const std::vector<Band>*> sets) {
    for (bool moved = true; moved;) {
        moved = false;
        for (const auto* set : sets)
            for (const Band& band : *set)
                if (band.top < y - kEpsilon && y < band.bottom - kEpsilon) {
                    y = band.top;
                    moved = true;
                }
    }
    return y;
}

// Where the text of each column of a table starts.
std::vector<qreal> ColumnStarts(const QTextTable& table, const QAbstractTextDocumentLayout& layout) {
    const QRectF box = layout.frameBoundingRect(const_cast<QTextTable*>(&table));
    std::vector<qreal> starts(static_cast<std::size_t>(table.columns()), box.right());
    for (int row = 0; row < table.rows(); ++row)
        for (int column = 0; column < table.columns(); ++column) {
            const QTextBlock first = table.document()->findBlock(table.cellAt(row, column).firstPosition());
            auto& start = starts[static_cast<std::size_t>(column)];
            start = std::min(start, layout.blockBoundingRect(first).left());
        }
    return starts;
}

// Where the text of a table column must end: before the next column's padding.
qreal ColumnEnd(const QTextTable& table, const std::vector<qreal>& starts, int column,
                const QAbstractTextDocumentLayout& layout) {
    if (column + 1 < table.columns())
        return starts[static_cast<std::size_t>(column) + 1] - 2 * kTableCellPadding;
    return layout.frameBoundingRect(const_cast<QTextTable*>(&table)).right() - kTableCellPadding;
}

// The block's text with each inline code object written out.
QString ReadableText(const QTextBlock& block) {
    QString text;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QString code = InlineCode::TextOf(fragment.charFormat());
        text += code.isEmpty() ? fragment.text() : code;
    }
    return text;
}

} // namespace

GuideLayout::GuideLayout(const QString& markdown, qreal width)
    : m_device(1, 1, QImage::Format_RGB32), m_document(std::make_unique<QTextDocument>()), m_width(width) {
    const int dotsPerMeter = static_cast<int>(std::lround(kDpi / 0.0254));
    m_device.setDotsPerMeterX(dotsPerMeter);
    m_device.setDotsPerMeterY(dotsPerMeter);
    m_inlineCode = std::make_unique<InlineCode>(m_device);

    QFont body(QString::fromLatin1(kBodyFamily));
    body.setPointSizeF(kBodyPointSize);
    m_document->setDefaultFont(body);
    m_document->setDocumentMargin(0);
    m_document->documentLayout()->setPaintDevice(&m_device);
    m_document->setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    SpaceHeadings(*m_document);
    StyleTables(*m_document);
    FrameCodeBlocks(*m_document);
    CollapseEmptyParagraphsAroundFrames(*m_document);
    InlineCode::Install(*m_document, *m_inlineCode);
    m_document->setTextWidth(m_width);
    WidenColumnsForCode();
    Measure();
}

GuideLayout::~GuideLayout() = default;

qreal GuideLayout::Height() const {
    return m_document->size().height();
}

void GuideLayout::Measure() {
    const QAbstractTextDocumentLayout& layout = *m_document->documentLayout();
    // What follows what down the page, and whether it is a heading line.
    std::vector<Band> flow;
    std::vector<bool> heading;
    const QTextFrame& root = *m_document->rootFrame();
    for (auto it = root.begin(); !it.atEnd(); ++it) {
        if (QTextFrame* frame = it.currentFrame()) {
            for (const QTextBlock& block : BlocksOf(*frame)) {
                const auto lines = LinesOf(block, layout);
                m_lines.insert(m_lines.end(), lines.begin(), lines.end());
            }
            if (const auto* table = qobject_cast<const QTextTable*>(frame)) {
                TableRows rows = MeasureTable(*table, layout);
                m_keeps.insert(m_keeps.end(), rows.rows.begin(), rows.rows.end());
                // The header row never stands alone at the bottom of a page.
                const Band start{rows.rows.front().top,
                                 rows.rows[std::min<std::size_t>(1, rows.rows.size() - 1)].bottom};
                m_keeps.push_back(start);
                // Down the page the table is its header with the first row, then one row at a time.
                flow.push_back(start);
                for (std::size_t row = 2; row < rows.rows.size(); ++row)
                    flow.push_back(rows.rows[row]);
                m_tables.push_back(std::move(rows));
            } else {
                const QRectF r = layout.frameBoundingRect(frame);
                m_keeps.push_back({r.top(), r.bottom()});
                flow.push_back({r.top(), r.bottom()});
            }
            heading.resize(flow.size(), false);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (!block.isValid())
            continue;
        const auto lines = LinesOf(block, layout);
        const bool isHeading = block.blockFormat().headingLevel() > 0;
        m_lines.insert(m_lines.end(), lines.begin(), lines.end());
        for (const Band& line : lines) {
            flow.push_back(line);
            heading.push_back(isHeading);
        }
        // No single first or last line of a paragraph alone on a page.
        if (!isHeading && lines.size() >= 2) {
            m_keeps.push_back({lines[0].top, lines[1].bottom});
            m_keeps.push_back({lines[lines.size() - 2].top, lines.back().bottom});
        }
    }
    // A heading goes with at least two lines of what follows it (a table's first row counts as
    // one), so that it never ends a page with a lone line or a bare table header below it.
    for (std::size_t i = 0; i + 1 < flow.size(); ++i)
        if (heading[i])
            m_keeps.push_back({flow[i].top, flow[std::min(i + 2, flow.size() - 1)].bottom});
}

qreal GuideLayout::WidestCode(const QTextTable& table, int column) const {
    qreal widest = 0;
    for (int row = 0; row < table.rows(); ++row) {
        const QTextTableCell cell = table.cellAt(row, column);
        for (auto c = cell.begin(); !c.atEnd(); ++c) {
            const QTextBlock block = c.currentBlock();
            for (auto f = block.begin(); block.isValid() && !f.atEnd(); ++f) {
                const QTextFragment fragment = f.fragment();
                if (!InlineCode::TextOf(fragment.charFormat()).isEmpty())
                    widest = std::max(widest, m_inlineCode
                                                  ->intrinsicSize(m_document.get(), fragment.position(),
                                                                  fragment.charFormat())
                                                  .width());
            }
        }
    }
    return widest;
}

void GuideLayout::WidenColumnsForCode() {
    const QAbstractTextDocumentLayout& layout = *m_document->documentLayout();
    for (QTextFrame* frame : m_document->rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (table == nullptr)
            continue;
        // Widening one column narrows the others, so again until every column fits.
        for (int pass = 0; pass < table->columns(); ++pass) {
            const std::vector<qreal> starts = ColumnStarts(*table, layout);
            QTextTableFormat format = table->format();
            QList<QTextLength> widths = format.columnWidthConstraints();
            widths.resize(table->columns(), QTextLength(QTextLength::VariableLength, 0));
            bool narrow = false;
            for (int column = 0; column < table->columns(); ++column) {
                const qreal widest = WidestCode(*table, column);
                const qreal room =
                    ColumnEnd(*table, starts, column, layout) - starts[static_cast<std::size_t>(column)];
                if (widest > room + kEpsilon) {
                    narrow = true;
                    widths[column] = QTextLength(QTextLength::FixedLength,
                                                 widest + 2 * kTableCellPadding + kTableBorder + kCodeSlack);
                }
            }
            if (!narrow)
                break;
            format.setColumnWidthConstraints(widths);
            table->setFormat(format);
        }
    }
}

std::vector<QString> GuideLayout::TooWide() const {
    const QAbstractTextDocumentLayout& layout = *m_document->documentLayout();
    std::vector<QString> found;
    // A line must end inside the room it was given: the text width, a table column (up to where
    // the next column's text starts), or a code frame, where it must not even wrap.
    const auto check = [&](const QTextBlock& block, qreal right, bool mayWrap) {
        const QTextLayout* text = block.layout();
        if (text == nullptr)
            return;
        const qreal left = layout.blockBoundingRect(block).left();
        bool tooWide = !mayWrap && text->lineCount() > 1;
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            tooWide = tooWide || (line.naturalTextWidth() > 0 &&
                                  left + line.x() + line.naturalTextWidth() > right + kEpsilon);
        }
        if (tooWide)
            found.push_back(ReadableText(block));
    };
    for (auto it = m_document->rootFrame()->begin(); !it.atEnd(); ++it) {
        QTextFrame* frame = it.currentFrame();
        if (frame == nullptr) {
            check(it.currentBlock(), m_width, true);
        } else if (const auto* table = qobject_cast<const QTextTable*>(frame)) {
            const std::vector<qreal> starts = ColumnStarts(*table, layout);
            for (int row = 0; row < table->rows(); ++row)
                for (int column = 0; column < table->columns(); ++column) {
                    const QTextTableCell cell = table->cellAt(row, column);
                    const qreal right = ColumnEnd(*table, starts, column, layout);
                    for (auto c = cell.begin(); !c.atEnd(); ++c)
                        if (c.currentBlock().isValid())
                            check(c.currentBlock(), right, true);
                }
        } else {
            const QRectF box = layout.frameBoundingRect(frame);
            for (const QTextBlock& block : BlocksOf(*frame))
                check(block, box.right() - kCodePadding, false);
        }
    }
    return found;
}

qreal GuideLayout::BreakAtOrBefore(qreal limit, qreal floor) const {
    // With every rule first; if that leaves no room at all (a table row taller than a page), only
    // lines are kept whole; a line taller than a page is cut where the page ends.
    if (const qreal y = MoveAbove(limit, {&m_keeps, &m_lines}); y > floor + kEpsilon)
        return y;
    if (const qreal y = MoveAbove(limit, {&m_lines}); y > floor + kEpsilon)
        return y;
    return limit;
}

bool GuideLayout::EndsBetweenRows(qreal y) const {
    for (const TableRows& t : m_tables)
        for (std::size_t row = 1; row < t.rows.size(); ++row)
            if (std::abs(t.rows[row].top - y) < kEpsilon)
                return true;
    return false;
}

Band GuideLayout::RepeatedHeaderAt(qreal top) const {
    for (const TableRows& t : m_tables)
        if (t.rows.size() >= 2 && top > t.rows[1].top - kEpsilon && top < t.table.bottom - kEpsilon)
            return t.rows.front();
    return {};
}

std::vector<Page> GuideLayout::Paginate(qreal pageHeight) const {
    std::vector<Page> pages;
    const qreal end = Height();
    qreal top = 0;
    do {
        Page page;
        page.header = RepeatedHeaderAt(top);
        qreal bottom = std::min(end, top + pageHeight - page.header.Height());
        if (bottom < end - kEpsilon)
            bottom = BreakAtOrBefore(bottom, top);
        page.body = {top, bottom};
        pages.push_back(page);
        top = bottom;
    } while (top < end - kEpsilon);
    return pages;
}

void GuideLayout::Paint(QPainter& painter, const Page& page) const {
    qreal y = 0;
    for (const Band& band : {page.header, page.body}) {
        if (band.Height() <= kEpsilon)
            continue;
        painter.save();
        painter.translate(0, y - band.top);
        // A hair inside the band, so that the lines just outside it are not drawn at all (a
        // clipped line would still be in the PDF's text). A band that ends between two table
        // rows takes in the whole grid line there, which closes the table on this page. Sideways
        // nothing is cut off: a line too wide for the page shows in the margin (TooWide names it).
        const qreal extra = EndsBetweenRows(band.bottom) ? kTableBorder : 0;
        m_document->drawContents(&painter, QRectF(-m_width, band.top + kEpsilon, 3 * m_width,
                                                  band.Height() - 2 * kEpsilon + extra));
        painter.restore();
        y += band.Height();
    }
}

} // namespace bf::helpdoc
