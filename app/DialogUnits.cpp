#include "app/DialogUnits.h"

#include <QFontMetrics>

namespace bf {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr char kDialogFontFamily[] = "MS Sans Serif";
constexpr int kDialogFontPoints = 8;

int Scale(int units, int base, int divisor) {
    return (units * base + divisor / 2) / divisor;
}
} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // Average width of the 52 letters, rounded, as the dialog manager measures it.
    m_baseX = (metrics.horizontalAdvance(QString::fromLatin1(kAlphabet)) / 26 + 1) / 2;
    m_baseY = metrics.height();
}

int DialogUnits::X(int units) const {
    return Scale(units, m_baseX, 4);
}
int DialogUnits::Y(int units) const {
    return Scale(units, m_baseY, 8);
}
QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}
QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

QFont DialogFont() {
    QFont font(QString::fromLatin1(kDialogFontFamily), kDialogFontPoints);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace bf
