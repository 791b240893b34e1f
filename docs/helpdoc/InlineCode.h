#pragma once

#include <QObject>
#include <QTextObjectInterface>

class QPaintDevice;
class QTextDocument;

namespace bf::helpdoc {

// Inline code (`like this`) as one unbreakable object. A command or a file name in the guide must
// never wrap at a hyphen or a blank, and a reader copying it from the PDF must get the plain
// characters back: so the span is laid out as a single object and drawn as ordinary text, instead
// of swapping in non-breaking look-alike characters that would break the copied command.
class InlineCode : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

  public:
    static constexpr int kObjectType = QTextFormat::UserObject + 1;

    // `device` is the one the document is laid out for; the code font is measured against it.
    explicit InlineCode(QPaintDevice& device, QObject* parent = nullptr);

    // Registers the handler with the document's layout and turns every inline code fragment into
    // one object. Code blocks (whole lines of code) are left as they are.
    static void Install(QTextDocument& document, InlineCode& handler);

    // The text of an inline code object, or an empty string for any other format.
    static QString TextOf(const QTextFormat& format);

    QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                    const QTextFormat& format) override;

  private:
    QPaintDevice& m_device;
};

} // namespace bf::helpdoc
