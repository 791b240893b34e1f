#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

namespace bf {

// Dialog units to pixels from a font's metrics: a horizontal unit is a quarter of the average
// character width, a vertical unit an eighth of the character height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    QSize Size(int width, int height) const;

  private:
    int m_baseX;
    int m_baseY;
};

// The dialogs' font: the classic 8-point dialog font, or what the system substitutes for it.
QFont DialogFont();

} // namespace bf
