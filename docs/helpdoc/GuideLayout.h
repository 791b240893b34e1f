#pragma once

#include <QImage>
#include <QTextDocument>

#include <memory>
#include <vector>

class QPainter;
class QTextTable;

namespace bf::helpdoc {

class InlineCode;

// A horizontal band of the laid-out guide, in layout units (1/96 inch) from its top.
struct Band {
    qreal top = 0;
    qreal bottom = 0;
    qreal Height() const { return bottom - top; }
};

// One page: the band of the guide it shows, below the header row of a table that goes on from the
// page before (a header of height 0 when there is none).
struct Page {
    Band header;
    Band body;
};

// A table as laid out: its band and where each row starts and ends.
struct TableRows {
    Band table;
    std::vector<Band> rows;
};

// The guide laid out as one long column and cut into pages. A page never ends inside a line, a
// table row or a code block, never right after a heading, and never leaves a single line of a
// paragraph behind; a table that goes on over a page break repeats its header row on the new page.
// Inline code never wraps (see InlineCode), and code blocks stand on a grey background.
class GuideLayout {
  public:
    static constexpr qreal kDpi = 96.0;

    GuideLayout(const QString& markdown, qreal width);
    ~GuideLayout();
    GuideLayout(const GuideLayout&) = delete;
    GuideLayout& operator=(const GuideLayout&) = delete;

    const QTextDocument& Document() const { return *m_document; }
    qreal Height() const;
    const std::vector<TableRows>& Tables() const { return m_tables; }

    // The paragraphs with a line wider than the room it has (a long command in a narrow table
    // column, say), which would run into the next column or the margin.
    std::vector<QString> TooWide() const;
    // Cuts the column into pages of at most `pageHeight`.
    std::vector<Page> Paginate(qreal pageHeight) const;
    // Paints one page with its top-left corner at the painter's origin, in layout units.
    void Paint(QPainter& painter, const Page& page) const;

  private:
    // Qt shares a table's width out by the text of its columns and lets an unbreakable inline code
    // span run into the next column; a column with such a span is made at least that wide.
    void WidenColumnsForCode();
    qreal WidestCode(const QTextTable& table, int column) const;
    void Measure();
    qreal BreakAtOrBefore(qreal limit, qreal floor) const;
    Band RepeatedHeaderAt(qreal top) const;
    bool EndsBetweenRows(qreal y) const;

    QImage m_device; // fixes the layout's resolution, whatever screen the renderer runs on
    std::unique_ptr<InlineCode> m_inlineCode;
    std::unique_ptr<QTextDocument> m_document;
    qreal m_width;
    std::vector<TableRows> m_tables;
    std::vector<Band> m_lines; // every line of text: never cut
    std::vector<Band> m_keeps; // rows, code blocks, heading with what follows, paragraph ends
};

} // namespace bf::helpdoc
